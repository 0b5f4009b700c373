// A worker thread that keeps web-ifc loaded and turns one file at a time
// into a PNG. Every outcome is a message; nothing is thrown to the pool.
import { getHeapStatistics } from 'node:v8';
import { parentPort, workerData } from 'node:worker_threads';
import { startEngine, wasmHeapBytes } from './engine.js';
import { MemoryLimitError, ModelError } from './geometry.js';
import { renderFile } from './render-file.js';

const api = await startEngine();
const { memoryLimit } = workerData;

function footprint() {
  const heap = getHeapStatistics();
  return wasmHeapBytes(api) + heap.total_heap_size + (heap.external_memory ?? 0);
}

parentPort.on('message', async (task) => {
  let result;
  try {
    result = await renderFile(api, task, memoryLimit);
  } catch (error) {
    const reason = error instanceof ModelError || error instanceof MemoryLimitError
      ? error.message
      : `cannot render: ${error?.message ?? error}`;
    // After a stop inside web-ifc its state is not to be trusted: ask for a fresh worker.
    result = { status: 'failed', reason, retire: !(error?.code && error.syscall) };
  }
  const memory = footprint();
  if (memory > memoryLimit / 2) result.retire = true;
  result.memory = memory;
  // Copied, not transferred: a small PNG may sit in Node's shared buffer pool.
  parentPort.postMessage(result);
});
parentPort.postMessage({ ready: true, memory: footprint() });
