// Draws a triangle scene into an RGB picture: depth-buffered flat-shaded
// opaque faces, outlines, then transparent faces blended back to front, all
// at SUPERSAMPLE times the size and averaged down.
import { downsample } from './downsample.js';
import { outlineMask, thicken } from './edges.js';
import { depthGradient, forEachSpan } from './raster.js';
import { faceNormal, shadeFactor } from './shade.js';
import { bounds, framing, toView, viewBasis } from './view.js';

export const BACKGROUND = [238, 242, 246];
const OUTLINE = [44, 48, 56];
const OUTLINE_WEIGHT = 0.8;
const SUPERSAMPLE = 3;
const OPAQUE_ALPHA = 0.98;
const CREASE_COS = Math.cos((35 * Math.PI) / 180);
const DEPTH_STEP = 0.004;  // of the model's depth range
const MARGIN = 0.025;      // of the picture's smaller side

// scene: { positions: 9 floats per triangle (model axes, z up),
//          colours: 4 floats per triangle (RGBA, 0..1) }.
// Returns { rgb, width, height } or null when the scene has no extent.
export function renderScene({ positions, colours }, width, height) {
  const count = positions.length / 9;
  const basis = viewBasis();
  const toViewer = basis.forward.map((v) => -v);
  const view = toView(positions, basis);
  const box = bounds(view);
  const sw = width * SUPERSAMPLE, sh = height * SUPERSAMPLE;
  const margin = Math.max(2, Math.round(MARGIN * Math.min(width, height))) * SUPERSAMPLE;
  const frame = framing(box, sw, sh, margin);
  if (!frame) return null;

  // Screen positions in samples, and per face: normal, depth plane, colour.
  const screen = new Float32Array(view.length);
  for (let i = 0; i < view.length; i += 3) {
    screen[i] = frame.originX + view[i] * frame.scale;
    screen[i + 1] = frame.originY - view[i + 1] * frame.scale;
    screen[i + 2] = view[i + 2];
  }
  const normals = new Float32Array(3 * count);
  const gradients = new Float32Array(2 * count);
  const shaded = new Uint8Array(3 * count);
  const opaque = [], transparent = [];
  for (let t = 0; t < count; t++) {
    const n = faceNormal(positions, t, toViewer);
    if (!n) continue;
    normals.set(n, 3 * t);
    const s = 9 * t;
    const [gx, gy] = depthGradient(screen[s], screen[s + 1], screen[s + 2], screen[s + 3], screen[s + 4], screen[s + 5],
      screen[s + 6], screen[s + 7], screen[s + 8]);
    gradients[2 * t] = gx;
    gradients[2 * t + 1] = gy;
    const light = shadeFactor(n[0], n[1], n[2]);
    for (let c = 0; c < 3; c++) shaded[3 * t + c] = Math.round(255 * Math.min(1, Math.max(0, colours[4 * t + c])) * light);
    (colours[4 * t + 3] >= OPAQUE_ALPHA ? opaque : transparent).push(t);
  }

  const samples = new Uint8Array(sw * sh * 3);
  samples.set(BACKGROUND);
  for (let filled = 3; filled < samples.length; filled *= 2) samples.copyWithin(filled, 0, filled);
  const depth = new Float32Array(sw * sh).fill(Infinity);
  const surface = new Int32Array(sw * sh).fill(-1);

  for (const t of opaque) {
    const s = 9 * t;
    const r = shaded[3 * t], g = shaded[3 * t + 1], b = shaded[3 * t + 2];
    forEachSpan(sw, sh, screen[s], screen[s + 1], screen[s + 2], screen[s + 3], screen[s + 4], screen[s + 5],
      screen[s + 6], screen[s + 7], screen[s + 8], (rowStart, first, last, z, dz) => {
        for (let p = rowStart + first, end = rowStart + last; p <= end; p++, z += dz) {
          if (z >= depth[p]) continue;
          depth[p] = z;
          surface[p] = t;
          samples[3 * p] = r;
          samples[3 * p + 1] = g;
          samples[3 * p + 2] = b;
        }
      });
  }

  const depthRange = Math.max(box.max[2] - box.min[2], 1e-6);
  const lines = thicken(outlineMask({ width: sw, height: sh, surface, depth, normals, gradients },
    { creaseCos: CREASE_COS, depthStep: DEPTH_STEP * depthRange }), sw, sh);
  for (let p = 0; p < sw * sh; p++) {
    if (!lines[p]) continue;
    for (let c = 0; c < 3; c++) {
      samples[3 * p + c] = Math.round(samples[3 * p + c] * (1 - OUTLINE_WEIGHT) + OUTLINE[c] * OUTLINE_WEIGHT);
    }
  }

  // Glass and other see-through faces: far ones first, over what is in front of nothing nearer.
  const meanDepth = (t) => (screen[9 * t + 2] + screen[9 * t + 5] + screen[9 * t + 8]) / 3;
  transparent.sort((a, b) => meanDepth(b) - meanDepth(a));
  for (const t of transparent) {
    const s = 9 * t;
    const alpha = Math.max(0, colours[4 * t + 3]);
    const r = shaded[3 * t], g = shaded[3 * t + 1], b = shaded[3 * t + 2];
    forEachSpan(sw, sh, screen[s], screen[s + 1], screen[s + 2], screen[s + 3], screen[s + 4], screen[s + 5],
      screen[s + 6], screen[s + 7], screen[s + 8], (rowStart, first, last, z, dz) => {
        for (let p = rowStart + first, end = rowStart + last; p <= end; p++, z += dz) {
          if (z >= depth[p]) continue;
          samples[3 * p] = Math.round(samples[3 * p] * (1 - alpha) + r * alpha);
          samples[3 * p + 1] = Math.round(samples[3 * p + 1] * (1 - alpha) + g * alpha);
          samples[3 * p + 2] = Math.round(samples[3 * p + 2] * (1 - alpha) + b * alpha);
        }
      });
  }

  return { rgb: downsample(samples, width, height, SUPERSAMPLE), width, height };
}
