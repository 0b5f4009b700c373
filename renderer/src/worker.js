// A worker thread that keeps web-ifc loaded and turns one file at a time
// into a PNG. Every outcome is a message; nothing is thrown to the pool.
import { promises as fs } from 'node:fs';
import { getHeapStatistics } from 'node:v8';
import { parentPort } from 'node:worker_threads';
import { startEngine } from './engine.js';
import { loadScene, MemoryLimitError, ModelError } from './geometry.js';
import { previewKeyOfBytes } from './key.js';
import { encodePng } from './png.js';
import { renderScene } from './render.js';
import { stepFault } from './step.js';

const api = await startEngine();

function footprint() {
  const heap = getHeapStatistics();
  return (api.wasmModule?.HEAPU8?.length ?? 0) + heap.total_heap_size + (heap.external_memory ?? 0);
}

async function render({ path, key, width, height, memoryLimit }) {
  const bytes = await fs.readFile(path);
  const fault = stepFault(bytes);
  if (fault) return { status: 'failed', reason: fault };
  // The picture is filed under the key the caller hashed: the bytes read here must be those.
  if (previewKeyOfBytes(bytes) !== key) return { status: 'failed', reason: 'the file changed while it was read' };
  const scene = loadScene(api, bytes, { memoryLimit: memoryLimit - bytes.length });
  if (scene.triangles === 0) return { status: 'no-geometry' };
  const picture = renderScene(scene, width, height);
  if (!picture) return { status: 'no-geometry' };
  const png = encodePng(picture.rgb, width, height);
  return { status: 'rendered', png };
}

parentPort.on('message', async (task) => {
  let result;
  try {
    result = await render(task);
  } catch (error) {
    const reason = error instanceof ModelError || error instanceof MemoryLimitError
      ? error.message
      : `cannot render: ${error?.message ?? error}`;
    // After a stop inside web-ifc its state is not to be trusted: ask for a fresh worker.
    result = { status: 'failed', reason, retire: !(error?.code && error.syscall) };
  }
  const memory = footprint();
  if (memory > task.memoryLimit / 2) result.retire = true;
  result.memory = memory;
  parentPort.postMessage(result, result.png ? [result.png.buffer] : []);
});
parentPort.postMessage({ ready: true, memory: footprint() });
