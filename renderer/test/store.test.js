import assert from 'node:assert/strict';
import { mkdirSync, readdirSync, readFileSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { defaultStoreFolder, hasPreview, writePreview } from '../src/store.js';
import { temporaryFolder } from './helpers.js';

const KEY = '0123456789abcdef';

test('the default store is the common application-data folder on Windows only', () => {
  const cases = [
    ['win32', { ProgramData: 'C:\\ProgramData' }, 'C:\\ProgramData\\tamsel'],
    ['win32', { ALLUSERSPROFILE: 'D:\\Shared' }, 'D:\\Shared\\tamsel'],
    ['win32', {}, null],
    ['linux', { ProgramData: '/srv' }, null],
  ];
  for (const [platform, env, expected] of cases) assert.equal(defaultStoreFolder(platform, env), expected, platform);
});

test('a preview is written under its key alone, into a folder made with its parents', async () => {
  const store = path.join(temporaryFolder(), 'deep', 'er', 'tamsel');
  assert.equal(await writePreview(store, KEY, Buffer.from('first')), 'written');
  assert.deepEqual(readdirSync(store), [KEY]);
  assert.equal(readFileSync(path.join(store, KEY), 'utf8'), 'first');
});

test('a stored preview is kept unless replace is asked for', async () => {
  const store = temporaryFolder();
  await writePreview(store, KEY, Buffer.from('first'));
  assert.equal(await writePreview(store, KEY, Buffer.from('second')), 'stored');
  assert.equal(readFileSync(path.join(store, KEY), 'utf8'), 'first');
  assert.equal(await writePreview(store, KEY, Buffer.from('third'), { replace: true }), 'written');
  assert.equal(readFileSync(path.join(store, KEY), 'utf8'), 'third');
  assert.deepEqual(readdirSync(store), [KEY], 'no temporary file stays behind');
});

test('an empty file under the key is no stored preview: it is written over without replace', async () => {
  const store = temporaryFolder();
  writeFileSync(path.join(store, KEY), '');
  assert.equal(await hasPreview(store, KEY), false);
  assert.equal(await writePreview(store, KEY, Buffer.from('first')), 'written');
  assert.equal(readFileSync(path.join(store, KEY), 'utf8'), 'first');
  assert.deepEqual(readdirSync(store), [KEY]);
});

test('a target that cannot be replaced is reported held, and nothing stays behind', async () => {
  // As Windows answers a rename over a file that a reader holds open.
  const busy = async () => { throw Object.assign(new Error('busy'), { code: 'EPERM' }); };
  const store = temporaryFolder();
  await writePreview(store, KEY, Buffer.from('first'));
  assert.equal(await writePreview(store, KEY, Buffer.from('second'), { replace: true, rename: busy }), 'held');
  assert.equal(readFileSync(path.join(store, KEY), 'utf8'), 'first');
  assert.deepEqual(readdirSync(store), [KEY]);

  // A real one on this system: a folder in the target's place.
  const other = 'fedcba9876543210';
  mkdirSync(path.join(store, other, 'inside'), { recursive: true });
  assert.equal(await writePreview(store, other, Buffer.from('x'), { replace: true }), 'held');
  assert.deepEqual(readdirSync(store).sort(), [KEY, other]);
});

test('a store that cannot be made is an error, not a success', async () => {
  const blocker = path.join(temporaryFolder(), 'file');
  writeFileSync(blocker, '');
  await assert.rejects(writePreview(path.join(blocker, 'tamsel'), KEY, Buffer.from('x')), { code: 'ENOTDIR' });
});
