// Draws a triangle scene into an RGB picture: depth-buffered flat-shaded
// opaque faces, outlines, then transparent faces blended back to front, all
// at SUPERSAMPLE times the size and averaged down. Opaque faces leave only
// their depth and which triangle is seen at each sample; colours and lines
// are looked up once per sample, as the samples are averaged.
import { outlineMask } from './edges.js';
import { coverTriangle, depthGradient, Spans } from './raster.js';
import { channel, pack, resolvePicture } from './resolve.js';
import { faceNormal, shadeFactor } from './shade.js';
import { bounds, framing, toView, viewBasis } from './view.js';

export const BACKGROUND = [238, 242, 246];
const OUTLINE = [44, 48, 56];
// A line is two samples wide, a whole pixel: this weight keeps it as light as a thin pen.
const OUTLINE_WEIGHT = 0.55;
const SUPERSAMPLE = 2;
const OPAQUE_ALPHA = 0.98;
const CREASE_COS = Math.cos((35 * Math.PI) / 180);
const DEPTH_STEP = 0.004;  // of the model's depth range
const MARGIN = 0.025;      // of the picture's smaller side

const shade = (value, light) => Math.round(255 * Math.min(1, Math.max(0, value)) * light);
const outline = (value, c) => Math.round(value * (1 - OUTLINE_WEIGHT) + OUTLINE[c] * OUTLINE_WEIGHT);

// Per face: its unit normal, depth plane and colour. Palette entry 0 is the
// background and entry t + 1 face t, each as two packed colours: plain, then
// under a line. Faces with no area are in neither list.
function faces(positions, colours, screen, toViewer) {
  const count = positions.length / 9;
  const normals = new Float32Array(3 * count);
  const gradients = new Float64Array(2 * count);
  const palette = new Float64Array(2 * (count + 1));
  const opaque = new Int32Array(count), transparent = [];
  let opaqueCount = 0;
  const setColour = (entry, r, g, b) => {
    palette[2 * entry] = pack(r, g, b);
    palette[2 * entry + 1] = pack(outline(r, 0), outline(g, 1), outline(b, 2));
  };
  setColour(0, ...BACKGROUND);
  for (let t = 0; t < count; t++) {
    if (!faceNormal(positions, t, toViewer, normals, 3 * t)) continue;
    const s = 9 * t;
    depthGradient(screen[s], screen[s + 1], screen[s + 2], screen[s + 3], screen[s + 4], screen[s + 5],
      screen[s + 6], screen[s + 7], screen[s + 8], gradients, 2 * t);
    const light = shadeFactor(normals[3 * t], normals[3 * t + 1], normals[3 * t + 2]);
    setColour(t + 1, shade(colours[4 * t], light), shade(colours[4 * t + 1], light), shade(colours[4 * t + 2], light));
    if (colours[4 * t + 3] >= OPAQUE_ALPHA) opaque[opaqueCount++] = t;
    else transparent.push(t);
  }
  return { normals, gradients, palette, opaque: opaque.subarray(0, opaqueCount), transparent };
}

const cover = (grid, screen, gradients, t, spans) => {
  const s = 9 * t;
  return coverTriangle(grid.width, grid.height, screen[s], screen[s + 1], screen[s + 2], screen[s + 3], screen[s + 4],
    screen[s + 5], screen[s + 6], screen[s + 7], screen[s + 8], gradients[2 * t], gradients[2 * t + 1], spans);
};

// The nearest opaque face at each sample, and its depth.
function drawOpaque(grid, screen, gradients, opaque, spans) {
  const { depth, surface } = grid;
  for (let i = 0; i < opaque.length; i++) {
    const t = opaque[i];
    const rows = cover(grid, screen, gradients, t, spans);
    const runs = spans.runs, depths = spans.depths, dz = spans.dz;
    for (let r = 0; r < rows; r++) {
      let z = depths[r];
      for (let p = runs[3 * r] + runs[3 * r + 1], end = runs[3 * r] + runs[3 * r + 2]; p <= end; p++, z += dz) {
        if (z >= depth[p]) continue;
        depth[p] = z;
        surface[p] = t;
      }
    }
  }
}

// Glass and other see-through faces: far ones first, each blended over what
// is in front of nothing nearer. A sample under glass gets a palette entry
// of its own (the same colour plain and under a line), starting from the
// colour it had. Returns the palette, grown.
function drawGlass(grid, screen, gradients, colours, transparent, palette, mask, spans) {
  const { depth, surface } = grid;
  const firstOwn = palette.length / 2 - 1;  // surface value of the first sample's own entry
  let entries = palette.length / 2;
  const meanDepth = (t) => (screen[9 * t + 2] + screen[9 * t + 5] + screen[9 * t + 8]) / 3;
  transparent.sort((a, b) => meanDepth(b) - meanDepth(a));
  for (const t of transparent) {
    const alpha = Math.max(0, colours[4 * t + 3]);
    const own = palette[2 * t + 2];
    const r = channel(own, 0), g = channel(own, 1), b = channel(own, 2);
    const rows = cover(grid, screen, gradients, t, spans);
    const { runs, depths, dz } = spans;
    for (let i = 0; i < rows; i++) {
      let z = depths[i];
      for (let p = runs[3 * i] + runs[3 * i + 1], end = runs[3 * i] + runs[3 * i + 2]; p <= end; p++, z += dz) {
        if (z >= depth[p]) continue;
        if (surface[p] < firstOwn) {
          if (2 * (entries + 1) > palette.length) {
            const grown = new Float64Array(2 * palette.length);
            grown.set(palette);
            palette = grown;
          }
          palette[2 * entries] = palette[2 * (surface[p] + 1) + mask[p]];
          surface[p] = entries++ - 1;
        }
        const e = 2 * (surface[p] + 1), under = palette[e];
        palette[e] = palette[e + 1] = pack(Math.round(channel(under, 0) * (1 - alpha) + r * alpha),
          Math.round(channel(under, 1) * (1 - alpha) + g * alpha), Math.round(channel(under, 2) * (1 - alpha) + b * alpha));
      }
    }
  }
  return palette;
}

// The sample grid, kept for the next picture of the same size: a worker
// draws one picture after another, and fresh buffers of this size cost a
// collection and page faults each time.
let kept = null;
function sampleGrid(width, height) {
  if (kept?.width !== width || kept.height !== height) {
    kept = { width, height, depth: new Float32Array(width * height), surface: new Int32Array(width * height),
      mask: new Uint8Array(width * height), spans: new Spans(height) };
  }
  kept.depth.fill(Infinity);
  kept.surface.fill(-1);
  return kept;
}

// The pixels whose samples can show the model, with at least one sample of
// background all round it: outlines and averaging look no further.
function modelRegion(box, frame, width, height) {
  const pixel = (sample) => Math.floor(sample / SUPERSAMPLE);
  return {
    left: Math.max(0, pixel(Math.floor(frame.originX + box.min[0] * frame.scale) - 1)),
    right: Math.min(width - 1, pixel(Math.ceil(frame.originX + box.max[0] * frame.scale) + 1)),
    top: Math.max(0, pixel(Math.floor(frame.originY - box.max[1] * frame.scale) - 1)),
    bottom: Math.min(height - 1, pixel(Math.ceil(frame.originY - box.min[1] * frame.scale) + 1)),
  };
}

// scene: { positions: 9 floats per triangle (model axes, z up),
//          colours: 4 floats per triangle (RGBA, 0..1) }.
// Returns the RGB bytes, top row first, or null when the scene has no extent.
export function renderScene({ positions, colours }, width, height) {
  const basis = viewBasis();
  const toViewer = basis.forward.map((v) => -v);
  const screen = toView(positions, basis);
  const box = bounds(screen);
  const sw = width * SUPERSAMPLE, sh = height * SUPERSAMPLE;
  const margin = Math.max(2, Math.round(MARGIN * Math.min(width, height))) * SUPERSAMPLE;
  const frame = framing(box, sw, sh, margin);
  if (!frame) return null;
  // View to screen positions in samples, in place.
  for (let i = 0; i < screen.length; i += 3) {
    screen[i] = frame.originX + screen[i] * frame.scale;
    screen[i + 1] = frame.originY - screen[i + 1] * frame.scale;
  }

  const { normals, gradients, palette, opaque, transparent } = faces(positions, colours, screen, toViewer);
  const grid = sampleGrid(sw, sh);
  const { spans } = grid;
  drawOpaque(grid, screen, gradients, opaque, spans);
  const depthRange = Math.max(box.max[2] - box.min[2], 1e-6);
  const region = modelRegion(box, frame, width, height);
  const sampleRegion = { left: region.left * SUPERSAMPLE, top: region.top * SUPERSAMPLE,
    right: (region.right + 1) * SUPERSAMPLE - 1, bottom: (region.bottom + 1) * SUPERSAMPLE - 1 };
  const mask = outlineMask({ ...grid, normals, gradients }, { creaseCos: CREASE_COS, depthStep: DEPTH_STEP * depthRange },
    grid.mask, sampleRegion);
  const colourTable = transparent.length > 0 ? drawGlass(grid, screen, gradients, colours, transparent, palette, mask, spans) : palette;
  const rgb = resolvePicture({ width, height, factor: SUPERSAMPLE, surface: grid.surface, palette: colourTable, mask, region });
  return rgb;
}
