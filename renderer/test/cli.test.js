import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { chmodSync, copyFileSync, mkdirSync, readdirSync, readFileSync, truncateSync, writeFileSync } from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { BIN, SAMPLES, temporaryFolder } from './helpers.js';

const runWith = (options, args) => {
  const r = spawnSync(process.execPath, [BIN, ...args], { encoding: 'utf8', ...options });
  return { code: r.status, out: r.stdout, err: r.stderr };
};
const run = (...args) => runWith({}, args);
const GOOD = 'testhouse_from Revit_CV20.ifc';

// A folder that mixes a model, a byte-identical copy in a subfolder (upper-case
// extension), a model without drawable geometry, and three bad files.
function mixedFolder() {
  const folder = temporaryFolder();
  const good = readFileSync(path.join(SAMPLES, GOOD));
  mkdirSync(path.join(folder, 'sub'));
  writeFileSync(path.join(folder, 'house.ifc'), good);
  writeFileSync(path.join(folder, 'sub', 'copy.IFC'), good);
  copyFileSync(path.join(SAMPLES, 'SmallModelIfc4.ifc'), path.join(folder, 'no-geometry.ifc'));
  writeFileSync(path.join(folder, 'empty.ifc'), '');
  writeFileSync(path.join(folder, 'truncated.ifc'), good.subarray(0, good.length / 2));
  writeFileSync(path.join(folder, 'garbage.ifc'), Buffer.from('PK\u0003\u0004 not a model at all'));
  writeFileSync(path.join(folder, 'notes.txt'), 'not searched');
  return folder;
}

test('a mixed folder: each content rendered once, the bad files failed with their reasons, exit 1', () => {
  const folder = mixedFolder(), store = path.join(temporaryFolder(), 'store');
  const first = run('--store', store, '--json', folder);
  assert.equal(first.code, 1, first.err);
  const results = first.out.trim().split('\n').map((line) => JSON.parse(line));
  const byName = Object.fromEntries(results.map((r) => [path.basename(r.file), r]));
  assert.deepEqual(Object.keys(byName).sort(),
    ['copy.IFC', 'empty.ifc', 'garbage.ifc', 'house.ifc', 'no-geometry.ifc', 'truncated.ifc']);
  assert.deepEqual([byName['house.ifc'].status, byName['copy.IFC'].status], ['rendered', 'rendered']);
  assert.equal(byName['no-geometry.ifc'].status, 'no-geometry');
  assert.deepEqual(['empty.ifc', 'truncated.ifc', 'garbage.ifc'].map((n) => byName[n].reason),
    ['empty file', 'truncated (no END-ISO-10303-21; at its end)', 'not an IFC file (no ISO-10303-21 header)']);
  assert.deepEqual(readdirSync(store), [byName['house.ifc'].key], 'one picture, and no temporary file');
  assert.match(first.err, /^rendered 2, already stored 0, no geometry 1, failed 3$/m);

  const second = run('--store', store, folder);
  assert.equal(second.code, 1);
  assert.match(second.out, /^already stored: .*house\.ifc$/m);
  assert.match(second.out, /^rendered 0, already stored 2, no geometry 1, failed 3$/m);
  assert.match(second.out, /^ {2}.*empty\.ifc: empty file$/m);

  const before = readFileSync(path.join(store, byName['house.ifc'].key));
  const replaced = run('--store', store, '--replace', path.join(folder, 'house.ifc'), path.join(folder, 'sub'));
  assert.equal(replaced.code, 0, replaced.out);
  assert.match(replaced.out, /^rendered 2, already stored 0, no geometry 0, failed 0$/m);
  assert.ok(readFileSync(path.join(store, byName['house.ifc'].key)).equals(before), 'the same picture again');
});

test('a folder that cannot be read is reported as failed, and the search goes on past it',
  { skip: process.platform === 'win32' && 'folder modes do not stop reading on Windows' }, () => {
  const folder = temporaryFolder();
  for (const name of ['a', 'b', 'c']) {
    mkdirSync(path.join(folder, name));
    writeFileSync(path.join(folder, name, `${name}.ifc`), '');
  }
  const locked = path.join(folder, 'b');
  chmodSync(folder, 0o755);
  chmodSync(locked, 0);
  // Root reads a folder whatever its mode: the command then runs as nobody, whom the mode stops.
  const user = process.getuid?.() === 0 ? { uid: 65534, gid: 65534 } : {};
  let r;
  try {
    r = runWith(user, ['--store', path.join(folder, 'store'), '--json', folder]);
  } finally {
    chmodSync(locked, 0o755);
  }
  assert.equal(r.code, 1, r.err);
  const results = r.out.trim().split('\n').map((line) => JSON.parse(line));
  assert.deepEqual(results.map(({ file, reason }) => [path.relative(folder, file), reason]).sort(), [
    ['a/a.ifc', 'empty file'], ['b', 'cannot search the folder: EACCES'], ['c/c.ifc', 'empty file']]);
});

test('wrong usage exits 2 with the reason and the usage', () => {
  const store = temporaryFolder();
  const cases = [
    [[], /name at least one file or folder/],
    [['--store', store, '--jobs', '0', 'x.ifc'], /--jobs needs a positive whole number/],
    [['--store', store, '--timeout', 'soon', 'x.ifc'], /--timeout needs a positive number/],
    [['--store', store, '--timeout', '2147484', 'x.ifc'], /--timeout 2147484: at most 2147483 seconds/],
    [['--store', store, '--size', '600x400', 'x.ifc'], /--size 600x400/],
    [['--store', store, '--size', '400x301', 'x.ifc'], /three quarters/],
    [['--store', store, '--colour', 'x.ifc'], /Unknown option/],
    [['x.ifc'], /--store is required here/],
  ];
  for (const [args, reason] of cases) {
    const r = run(...args);
    assert.equal(r.code, 2, args.join(' '));
    assert.match(r.err, reason);
    assert.match(r.err, /^Usage: tamsel-render/m);
  }
  assert.equal(run('--help').code, 0);
});

test('a file beyond a limit is stopped and reported', () => {
  // Zeros: had it been read, it would fail as not an IFC file; over the memory limit it fails unread.
  const unread = path.join(temporaryFolder(), 'large.ifc');
  writeFileSync(unread, '');
  truncateSync(unread, 1048576);
  // A model small enough to be read whose opening outgrows the limit; the
  // reason names the limit given, whatever share of it the file's bytes take.
  const padded = path.join(temporaryFolder(), 'padded.ifc');
  const small = readFileSync(path.join(SAMPLES, 'SmallModelIfc4.ifc'));
  const data = small.indexOf('DATA;') + 'DATA;'.length;
  writeFileSync(padded, Buffer.concat([small.subarray(0, data), Buffer.alloc(700 * 1024, ' '), small.subarray(data)]));
  const cases = [
    [['--timeout', '0.001'], path.join(SAMPLES, 'AC20-FZK-Haus.ifc'), 'stopped after the time limit of 0.001 s'],
    [['--memory', '1'], unread, 'exceeds the memory limit of 1 MB'],
    [['--memory', '2'], padded, 'exceeds the memory limit of 2 MB'],
  ];
  for (const [limit, file, reason] of cases) {
    const store = temporaryFolder();
    const r = run('--store', store, '--jobs', '1', ...limit, '--json', file);
    assert.equal(r.code, 1, limit.join(' '));
    assert.equal(JSON.parse(r.out).reason, reason);
    assert.deepEqual(readdirSync(store), []);
  }
});
