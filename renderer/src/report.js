// What the command prints: a progress bar on a terminal, one plain line per
// file otherwise, or one JSON object per file; then a summary.
import path from 'node:path';

const LABELS = { rendered: 'rendered', stored: 'already stored', 'no-geometry': 'no geometry', failed: 'failed' };

export function resultLine({ file, status, reason }) {
  return `${LABELS[status]}: ${file}${reason ? ` (${reason})` : ''}`;
}

export function summaryLines({ rendered, stored, noGeometry, failed, failures }) {
  const lines = [`rendered ${rendered}, already stored ${stored}, no geometry ${noGeometry}, failed ${failed}`];
  for (const { file, reason } of failures) lines.push(`  ${file}: ${reason}`);
  return lines;
}

export function formatDuration(seconds) {
  if (!Number.isFinite(seconds)) return '--';
  const s = Math.max(0, Math.round(seconds));
  return s >= 60 ? `${Math.floor(s / 60)}m${String(s % 60).padStart(2, '0')}s` : `${s}s`;
}

// The bar's one line: files done of total, the file last finished, time left.
export function progressLine({ done, total, current, elapsedSeconds }, columns = 80) {
  const width = 20;
  const filled = total ? Math.round((done / total) * width) : width;
  const left = done ? (elapsedSeconds / done) * (total - done) : Infinity;
  const head = `[${'#'.repeat(filled)}${'-'.repeat(width - filled)}] ${done}/${total} ${formatDuration(left)} left `;
  const name = current ? path.basename(current) : '';
  return (head + name).slice(0, Math.max(10, columns - 1));
}

export function createReporter({ json, stdout, stderr, now = () => performance.now() }) {
  const tty = !json && stdout.isTTY;
  let total = 0, done = 0, started = now();
  const redraw = (current) => {
    const line = progressLine({ done, total, current, elapsedSeconds: (now() - started) / 1000 }, stdout.columns || 80);
    stdout.write(`\r\x1b[2K${line}`);
  };
  return {
    start(count) {
      total = count;
      started = now();
      if (tty) redraw('');
    },
    result(result) {
      done++;
      if (json) stdout.write(`${JSON.stringify(result)}\n`);
      else if (tty) {
        if (result.status === 'failed') stdout.write(`\r\x1b[2K${resultLine(result)}\n`);
        redraw(result.file);
      } else stdout.write(`${resultLine(result)}\n`);
    },
    summary(summary) {
      if (tty) stdout.write('\r\x1b[2K');
      // With --json, standard output carries the per-file objects alone.
      (json ? stderr : stdout).write(`${summaryLines(summary).join('\n')}\n`);
    },
  };
}
