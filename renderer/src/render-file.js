// One file's road from its bytes to a PNG, as a worker takes it: the bytes are
// read once (unless the file's size alone is over the memory limit), checked,
// handed to web-ifc and drawn. `lap(stage)` is called as each stage ends, for
// the benchmark.
import { promises as fs } from 'node:fs';
import { loadScene } from './geometry.js';
import { previewKeyOfBytes } from './key.js';
import { memoryLimitReason } from './memory-limit.js';
import { encodePng } from './png.js';
import { renderScene } from './render.js';
import { stepFault } from './step.js';

// Measured on the samples copied up to 106, 160 and 320 MB: opening a model
// grows web-ifc's heap by 1.4 to 1.9 times the file's size (and by 117 MB at
// least) while the file's bytes are still held, and its meshes add 0.4 to 0.6
// times the size more. So a file over 0.4 of the limit cannot stay within it.
const LARGEST_FILE_SHARE = 0.4;

// Reads, checks and loads one file: { scene } or { fault }. The file's bytes
// live in this call alone, so that they are gone before the picture is drawn;
// until web-ifc closes the model it holds them too, so they count against the
// limit till then.
async function loadFile(api, { path, key }, memoryLimit, lap) {
  const { size } = await fs.stat(path);
  if (size > LARGEST_FILE_SHARE * memoryLimit) return { fault: memoryLimitReason(memoryLimit) };
  const bytes = await fs.readFile(path);
  const fault = stepFault(bytes);
  if (fault) return { fault };
  // The picture is filed under the key the caller hashed: the bytes read here must be those.
  if (previewKeyOfBytes(bytes) !== key) return { fault: 'the file changed while it was read' };
  lap('hash');
  return { scene: loadScene(api, bytes, { memoryLimit }) };
}

export async function renderFile(api, { path, key, width, height }, memoryLimit, lap = () => {}) {
  const { scene, fault } = await loadFile(api, { path, key }, memoryLimit, lap);
  if (fault) return { status: 'failed', reason: fault };
  lap('load');
  const rgb = renderScene(scene, width, height);
  lap('draw');
  if (!rgb) return { status: 'no-geometry' };
  const png = encodePng(rgb, width, height);
  lap('png');
  return { status: 'rendered', png };
}
