import assert from 'node:assert/strict';
import { writeFileSync } from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { keyFromDigest, previewKeyOfBytes, previewKeyOfFile } from '../src/key.js';
import { content, expectedKeys, temporaryFolder } from './helpers.js';

test('keys equal those of the DLLs for every content in preview-keys.txt', async () => {
  const entries = expectedKeys();
  assert.ok(entries.some((e) => e.recipe === 'pattern:1048577') && entries.some((e) => e.recipe.startsWith('sample:')));
  const folder = temporaryFolder();
  for (const [i, { key, recipe }] of entries.entries()) {
    const file = path.join(folder, `content-${i}`);
    const bytes = content(recipe);
    writeFileSync(file, bytes);
    assert.equal(await previewKeyOfFile(file), key, `${recipe} from the file`);
    assert.equal(previewKeyOfBytes(bytes), key, `${recipe} from memory`);
  }
});

test('each digest byte gives the digit of its low four bits', () => {
  assert.equal(keyFromDigest(Buffer.from([0x3a, 0xf0, 0x0f, 0x00])), 'a0f0');
});

test('a file that cannot be read rejects instead of giving a key', async () => {
  await assert.rejects(previewKeyOfFile(path.join(temporaryFolder(), 'missing.ifc')), { code: 'ENOENT' });
});
