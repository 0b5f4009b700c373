import assert from 'node:assert/strict';
import { test } from 'node:test';
import { createReporter, formatDuration, progressLine } from '../src/report.js';

test('the progress line shows files done of total, the time left and the file, within the terminal width', () => {
  assert.equal(progressLine({ done: 5, total: 20, current: '/share/a/house.ifc', elapsedSeconds: 10 }),
    '[#####---------------] 5/20 30s left house.ifc');
  assert.equal(progressLine({ done: 0, total: 3, current: '', elapsedSeconds: 1 }), '[--------------------] 0/3 -- left ');
  assert.equal(progressLine({ done: 1, total: 2, current: 'x'.repeat(200), elapsedSeconds: 1 }, 60).length, 59);
  assert.deepEqual([59.4, 61, 3600].map(formatDuration), ['59s', '1m01s', '60m00s']);
});

test('a terminal gets a redrawn bar with failures above it; a pipe gets plain lines', () => {
  const sink = (isTTY) => ({ isTTY, columns: 80, text: '', write(s) { this.text += s; } });
  const results = [{ file: 'a.ifc', status: 'rendered' }, { file: 'b.ifc', status: 'failed', reason: 'empty file' }];
  const summary = { rendered: 1, stored: 0, noGeometry: 0, failed: 1, failures: [{ file: 'b.ifc', reason: 'empty file' }] };
  for (const isTTY of [true, false]) {
    const stdout = sink(isTTY), stderr = sink(false);
    const reporter = createReporter({ json: false, stdout, stderr, now: () => 0 });
    reporter.start(2);
    results.forEach((r) => reporter.result(r));
    reporter.summary(summary);
    const lines = stdout.text.split(/\r|\n/).map((l) => l.replace('\x1b[2K', '')).filter(Boolean);
    assert.ok(lines.includes('failed: b.ifc (empty file)'));
    assert.equal(lines.includes('rendered: a.ifc'), !isTTY, 'a terminal shows successes in the bar only');
    assert.equal(lines.some((l) => l.startsWith('[')), isTTY);
    assert.ok(lines.includes('rendered 1, already stored 0, no geometry 0, failed 1') && lines.includes('  b.ifc: empty file'));
  }
});
