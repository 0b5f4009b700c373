// One file's road from its bytes to a PNG, as a worker takes it: the bytes are
// read once, checked, handed to web-ifc and drawn. `lap(stage)` is called as
// each stage ends, for the benchmark.
import { promises as fs } from 'node:fs';
import { loadScene } from './geometry.js';
import { previewKeyOfBytes } from './key.js';
import { encodePng } from './png.js';
import { renderScene } from './render.js';
import { stepFault } from './step.js';

export async function renderFile(api, { path, key, width, height }, memoryLimit, lap = () => {}) {
  const bytes = await fs.readFile(path);
  const fault = stepFault(bytes);
  if (fault) return { status: 'failed', reason: fault };
  // The picture is filed under the key the caller hashed: the bytes read here must be those.
  if (previewKeyOfBytes(bytes) !== key) return { status: 'failed', reason: 'the file changed while it was read' };
  lap('hash');
  const scene = loadScene(api, bytes, { memoryLimit: memoryLimit - bytes.length });
  lap('load');
  const rgb = renderScene(scene, width, height);
  lap('draw');
  if (!rgb) return { status: 'no-geometry' };
  const png = encodePng(rgb, width, height);
  lap('png');
  return { status: 'rendered', png };
}
