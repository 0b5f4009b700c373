import assert from 'node:assert/strict';
import { test } from 'node:test';
import { RenderPool } from '../src/pool.js';

const workerUrl = new URL('./fixtures/scripted-worker.js', import.meta.url);

test('a stuck, crashed or memory-hungry worker is stopped, reported, and replaced', async () => {
  const pool = new RenderPool(1, { timeoutMs: 500, memoryLimit: 64 * 1048576, workerUrl });
  try {
    const outcomes = [];
    for (const path of ['a', 'hang', 'b', 'crash', 'c', 'hog', 'd']) outcomes.push(await pool.render({ path }));
    const summary = outcomes.map((o) => (o.status === 'rendered' ? o.png.toString() : o.reason));
    assert.deepEqual(summary.filter((_, i) => i % 2 === 0), ['picture of a', 'picture of b', 'picture of c', 'picture of d']);
    assert.equal(summary[1], 'stopped after the time limit of 0.5 s');
    assert.match(summary[3], /stopped/);
    assert.equal(summary[5], 'exceeds the memory limit of 64 MB');
  } finally {
    await pool.close();
  }
});

test('several workers share a queue', async () => {
  const pool = new RenderPool(2, { timeoutMs: 5000, memoryLimit: 64 * 1048576, workerUrl });
  try {
    const paths = ['slow a', 'slow b', 'slow c', 'slow d', 'slow e'];
    const outcomes = await Promise.all(paths.map((path) => pool.render({ path })));
    assert.deepEqual(outcomes.map((o) => o.png.toString()), paths.map((p) => `picture of ${p}`));
    assert.equal(new Set(outcomes.map((o) => o.worker)).size, 2, 'both workers served files');
  } finally {
    await pool.close();
  }
});

test('a worker that cannot start fails the waiting files instead of being retried forever', async () => {
  process.env.TAMSEL_TEST_WORKER_FAILS_TO_START = '1';
  const pool = new RenderPool(1, { timeoutMs: 5000, memoryLimit: 64 * 1048576, workerUrl });
  try {
    const outcomes = await Promise.all([pool.render({ path: 'a' }), pool.render({ path: 'b' })]);
    for (const o of outcomes) assert.match(o.reason, /web-ifc cannot start/);
    assert.match((await pool.render({ path: 'c' })).reason, /web-ifc cannot start/);
  } finally {
    delete process.env.TAMSEL_TEST_WORKER_FAILS_TO_START;
    await pool.close();
  }
});
