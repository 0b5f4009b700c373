// The files that a batch names: files as given, folders searched recursively
// for *.ifc in any letter case. Symbolic links to folders are not followed,
// so a link back up the tree cannot make the search endless.
import { promises as fs } from 'node:fs';
import path from 'node:path';

const isIfc = (name) => name.toLowerCase().endsWith('.ifc');

// A folder that cannot be read goes into missing with its reason; the search
// goes on with its siblings.
async function searchFolder(folder, found, missing) {
  let entries;
  try {
    entries = await fs.readdir(folder, { withFileTypes: true });
  } catch (error) {
    missing.push({ file: folder, reason: `cannot search the folder: ${error.code ?? error.message}` });
    return;
  }
  entries.sort((a, b) => (a.name < b.name ? -1 : a.name > b.name ? 1 : 0));
  for (const entry of entries) {
    const full = path.join(folder, entry.name);
    if (entry.isDirectory()) await searchFolder(full, found, missing);
    else if (isIfc(entry.name) && (entry.isFile() || (entry.isSymbolicLink() && (await fs.stat(full).catch(() => null))?.isFile()))) {
      found.push(full);
    }
  }
}

// Returns { files, missing }: the paths to render, in order and without
// repeats, and the inputs and folders that name nothing readable.
export async function collectFiles(inputs) {
  const files = [], missing = [];
  for (const input of inputs) {
    const stat = await fs.stat(input).catch(() => null);
    if (stat?.isDirectory()) await searchFolder(input, files, missing);
    else if (stat?.isFile()) files.push(input);
    else missing.push({ file: input, reason: 'no such file or folder' });
  }
  const seen = new Set();
  return {
    files: files.filter((file) => {
      const resolved = path.resolve(file);
      if (seen.has(resolved)) return false;
      seen.add(resolved);
      return true;
    }),
    missing,
  };
}
