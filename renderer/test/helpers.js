import { mkdtempSync, readFileSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

export const REPO = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '../..');
export const DATA = path.join(REPO, 'tests/data');
export const SAMPLES = path.join(DATA, 'ifc-samples');
export const BIN = path.join(REPO, 'renderer/bin/tamsel-render.js');

export const temporaryFolder = (prefix = 'tamsel-render-') => mkdtempSync(path.join(os.tmpdir(), prefix));

// The contents that preview-keys.txt names by recipe ("empty", "pattern:N", "sample:<file>"), shared with the DLLs' key test.
export function content(recipe) {
  if (recipe === 'empty') return Buffer.alloc(0);
  if (recipe.startsWith('pattern:')) {
    const bytes = Buffer.alloc(Number(recipe.slice('pattern:'.length)));
    for (let i = 0; i < bytes.length; i++) bytes[i] = i % 251;
    return bytes;
  }
  if (recipe.startsWith('sample:')) return readFileSync(path.join(SAMPLES, recipe.slice('sample:'.length)));
  throw new Error(`unknown content ${recipe}`);
}

export function expectedKeys() {
  return readFileSync(path.join(DATA, 'preview-keys.txt'), 'utf8').split(/\r?\n/)
    .filter((line) => line && !line.startsWith('#'))
    .map((line) => ({ key: line.slice(0, line.indexOf(' ')), recipe: line.slice(line.indexOf(' ') + 1) }));
}
