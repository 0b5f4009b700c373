// A batch: every file hashed to its Preview key, each distinct content
// rendered once in the pool and filed in the store; one result per file.
import { collectFiles } from './files.js';
import { previewKeyOfFile } from './key.js';
import { RenderPool } from './pool.js';
import { hasPreview, writePreview } from './store.js';

const HASHING_AT_ONCE = 4;

// Outcome of one content: { status: 'rendered' | 'stored' | 'no-geometry' | 'failed', reason? }.
async function renderContent(pool, file, key, options) {
  if (!options.replace && (await hasPreview(options.store, key))) return { status: 'stored' };
  const result = await pool.render({ path: file, key, width: options.width, height: options.height });
  if (result.status !== 'rendered') return result;
  try {
    const written = await writePreview(options.store, key, result.png, { replace: options.replace });
    if (written === 'held') return { status: 'failed', reason: 'not written: the preview file is held open by a reader' };
    return { status: written === 'written' ? 'rendered' : 'stored' };
  } catch (error) {
    return { status: 'failed', reason: `cannot write to the store: ${error.code ?? error.message}` };
  }
}

// options: { store, replace, jobs, timeoutMs, memoryLimit, width, height,
// onStart(total), onResult(result) }. Returns { results, peakMemory }: one
// result per file, { file, key, status, reason? }, and the largest footprint
// that a worker reported.
export async function runBatch(inputs, options) {
  const { files, missing } = await collectFiles(inputs);
  const results = [];
  const report = (result) => {
    results.push(result);
    options.onResult?.(result);
  };
  options.onStart?.(files.length + missing.length);
  for (const { file, reason } of missing) report({ file, key: '', status: 'failed', reason });
  if (files.length === 0) return { results, peakMemory: 0 };

  const pool = new RenderPool(Math.min(options.jobs, files.length), options);
  const contents = new Map();
  const pending = [];
  let next = 0;
  const hashNext = async () => {
    while (next < files.length) {
      const file = files[next++];
      let key;
      try {
        key = await previewKeyOfFile(file);
      } catch (error) {
        report({ file, key: '', status: 'failed', reason: `cannot read the file: ${error.code ?? error.message}` });
        continue;
      }
      if (!contents.has(key)) contents.set(key, renderContent(pool, file, key, options));
      pending.push(contents.get(key).then((outcome) => report({ file, key, ...outcome })));
    }
  };
  try {
    await Promise.all(Array.from({ length: HASHING_AT_ONCE }, hashNext));
    await Promise.all(pending);
  } finally {
    await pool.close();
  }
  return { results, peakMemory: pool.peakMemory };
}

export function summarize(results) {
  const count = (status) => results.filter((r) => r.status === status).length;
  return {
    rendered: count('rendered'),
    stored: count('stored'),
    noGeometry: count('no-geometry'),
    failed: count('failed'),
    failures: results.filter((r) => r.status === 'failed').map(({ file, reason }) => ({ file, reason })),
  };
}
