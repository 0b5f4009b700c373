// The Preview store: one PNG per key, named by the key alone, in a folder
// shared with the DLLs. Writes go to a temporary file in the same folder that
// is then renamed over the target, so a reader never sees half a picture.
import { randomBytes } from 'node:crypto';
import { promises as fs } from 'node:fs';
import path from 'node:path';

// Where the DLLs look on Windows: the common application-data folder's tamsel\.
// Elsewhere there is no such folder and the caller must name one.
export function defaultStoreFolder(platform, env) {
  if (platform !== 'win32') return null;
  const common = env.ProgramData || env.ALLUSERSPROFILE;
  return common ? path.win32.join(common, 'tamsel') : null;
}

function previewPath(store, key) {
  return path.join(store, key);
}

// An empty file under the key (a write cut short by a power loss) is no preview.
export async function hasPreview(store, key) {
  try {
    return (await fs.lstat(previewPath(store, key))).size > 0;
  } catch {
    return false;
  }
}

// Errors with which a rename over a target fails while a reader holds it
// (Windows refuses to replace a file open without delete sharing), or while
// the target cannot be replaced at all.
const HELD_CODES = new Set(['EPERM', 'EACCES', 'EBUSY', 'EISDIR', 'ENOTEMPTY', 'EEXIST']);

// Returns 'written', 'stored' (a preview exists and replace is off) or
// 'held' (the target could not be replaced); throws for other failures
// (the folder cannot be created or written). No temporary file stays behind.
export async function writePreview(store, key, png, { replace = false, rename = fs.rename } = {}) {
  const target = previewPath(store, key);
  await fs.mkdir(store, { recursive: true });
  if (!replace && (await hasPreview(store, key))) return 'stored';
  // A name that is never a key: the DLLs read 16-character names only.
  const temporary = path.join(store, `.${key}.${process.pid}-${randomBytes(4).toString('hex')}.tmp`);
  try {
    // Synced before the rename: otherwise a power loss can leave the key naming an empty file.
    const handle = await fs.open(temporary, 'wx');
    try {
      await handle.writeFile(png);
      await handle.sync();
    } finally {
      await handle.close();
    }
  } catch (error) {
    await fs.rm(temporary, { force: true });
    throw error;
  }
  try {
    await rename(temporary, target);
    return 'written';
  } catch (error) {
    await fs.rm(temporary, { force: true });
    if (HELD_CODES.has(error.code)) return 'held';
    throw error;
  }
}
