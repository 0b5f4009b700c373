import assert from 'node:assert/strict';
import { test } from 'node:test';
import { outlineMask } from '../src/edges.js';
import { coverTriangle, depthGradient, Spans } from '../src/raster.js';
import { channel, pack, resolvePicture } from '../src/resolve.js';
import { BACKGROUND, renderScene } from '../src/render.js';
import { shadeFactor } from '../src/shade.js';
import { bounds, framing, toView, viewBasis } from '../src/view.js';

const dot = (a, b) => a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
const near = (a, b, tolerance = 1e-6) => Math.abs(a - b) <= tolerance;

test('the view looks from the south-east, 30 degrees above the horizon, with up upwards', () => {
  const { right, up, forward } = viewBasis();
  for (const [a, b] of [[right, up], [up, forward], [forward, right]]) assert.ok(near(dot(a, b), 0));
  for (const v of [right, up, forward]) assert.ok(near(dot(v, v), 1));
  assert.ok(near(Math.asin(-forward[2]), Math.PI / 6), 'looking down at 30 degrees');
  const [ground, roof, southEast, northWest] = [[0, 0, 0], [0, 0, 5], [1, -1, 0], [-1, 1, 0]].map((p) => toView(p));
  assert.ok(roof[1] > ground[1], 'higher points are higher in the picture');
  assert.ok(southEast[2] < northWest[2], 'the south-east corner is nearest');
  assert.ok(near(southEast[0], northWest[0], 1e-6), 'the diagonal from south-east to north-west points at the viewer');
  assert.ok(toView([1, 1, 0])[0] > 0, 'north-east is to the right');
});

test('framing centres the model and fits its limiting extent inside the margin', () => {
  const cases = [
    // box in view units, picture, margin -> expected left, right, top, bottom of the model
    [{ min: [0, 0, 0], max: [10, 5, 1] }, 512, 384, 10, [10, 502, 192 - 123, 192 + 123]],
    [{ min: [-1, -4, 0], max: [1, 4, 1] }, 512, 384, 10, [256 - 45.5, 256 + 45.5, 10, 374]],
    [{ min: [2, 3, 0], max: [2, 9, 1] }, 100, 75, 5, [50, 50, 5, 70]],
  ];
  for (const [box, width, height, margin, [left, right, top, bottom]] of cases) {
    const f = framing(box, width, height, margin);
    const column = (x) => f.originX + x * f.scale, row = (y) => f.originY - y * f.scale;
    assert.ok(near(column(box.min[0]), left, 0.01) && near(column(box.max[0]), right, 0.01), `columns ${JSON.stringify(box)}`);
    assert.ok(near(row(box.max[1]), top, 0.01) && near(row(box.min[1]), bottom, 0.01), `rows ${JSON.stringify(box)}`);
  }
  assert.equal(framing({ min: [1, 1, 0], max: [1, 1, 0] }, 512, 384, 10), null, 'a single point');
  assert.equal(framing(bounds(new Float32Array(0)), 512, 384, 10), null, 'nothing at all');
  assert.equal(framing({ min: [0, 0, 0], max: [NaN, 1, 1] }, 512, 384, 10), null, 'broken coordinates');
});

test('a triangle covers exactly the samples whose centres lie inside it, with its plane depth', () => {
  const inside = (x, y, t) => {
    const side = (ax, ay, bx, by) => (bx - ax) * (y - ay) - (by - ay) * (x - ax);
    const s = [side(t[0], t[1], t[3], t[4]), side(t[3], t[4], t[6], t[7]), side(t[6], t[7], t[0], t[1])];
    return s.every((v) => v >= -1e-9) || s.every((v) => v <= 1e-9);
  };
  const triangles = [
    [1.2, 1.7, 5, 14.6, 3, 2, 8.9, 9.3, 1],   // one winding
    [1.2, 1.7, 5, 8.9, 9.3, 1, 14.6, 3, 2],   // the other
    [-5, -5, 0, 30, 2, 1, 4, 30, 2],          // clipped by the grid
    [2, 2, 0, 18, 2.6, 0, 10, 3.1, 0],        // a sliver
    [3, 3, 0, 3, 3, 0, 9, 9, 0],              // no area
  ];
  const width = 16, height = 12;
  for (const t of triangles) {
    const covered = new Map();
    const spans = new Spans(height);
    const gradient = [];
    depthGradient(...t, gradient);
    const [gx, gy] = gradient;
    const rows = coverTriangle(width, height, ...t, gx, gy, spans);
    for (let r = 0; r < rows; r++) {
      let depth = spans.depths[r];
      for (let c = spans.runs[3 * r + 1]; c <= spans.runs[3 * r + 2]; c++, depth += spans.dz) covered.set(spans.runs[3 * r] + c, depth);
    }
    const area = (t[3] - t[0]) * (t[7] - t[1]) - (t[6] - t[0]) * (t[4] - t[1]);
    if (!(Math.abs(area) > 1e-12)) {
      assert.equal(covered.size, 0, `${t} has no area`);
      continue;
    }
    for (let row = 0; row < height; row++) {
      for (let column = 0; column < width; column++) {
        const x = column + 0.5, y = row + 0.5, p = row * width + column;
        if (!inside(x, y, t)) {
          if (covered.has(p)) assert.fail(`sample ${column},${row} outside ${t}`);
          continue;
        }
        assert.ok(covered.has(p), `sample ${column},${row} inside ${t}`);
        assert.ok(near(covered.get(p), t[2] + gx * (x - t[0]) + gy * (y - t[1]), 1e-6));
      }
    }
  }
});

test('outlines mark the silhouette, creases and depth steps, not seams within one surface, one sample wide and more', () => {
  // Four columns of samples, two rows: what lies at each (the first row's
  // surfaces and depths repeated below unless given), and the mask expected:
  // each line is widened by one sample to the right and down.
  const up = [0, 0, 1], side = [1, 0, 0];
  const cases = [
    ['silhouette', [-1, 0, 0, -1], [up], [[0, 0]], [0, 5, 5, 0], [0, 1, 1, 1, 0, 1, 1, 1]],
    ['coplanar seam', [0, 0, 1, 1], [up, up], [[0.5, 0], [0.5, 0]], [1, 1.5, 2, 2.5], [0, 0, 0, 0, 0, 0, 0, 0]],
    ['crease', [0, 0, 1, 1], [up, side], [[0, 0], [0, 0]], [1, 1, 1, 1], [0, 1, 1, 0, 0, 1, 1, 0]],
    ['step in depth', [0, 0, 1, 1], [up, up], [[0, 0], [0, 0]], [1, 1, 3, 3], [0, 1, 1, 0, 0, 1, 1, 0]],
    ['step, far surface first', [0, 0, 1, 1], [up, up], [[0, 0], [0, 0]], [3, 3, 1, 1], [0, 0, 1, 1, 0, 0, 1, 1]],
    ['crease between the rows', [0, 0, 1, 1, 0, 0, 0, 0], [up, side], [[0, 0], [0, 0]], [1, 1, 1, 1], [0, 1, 1, 1, 0, 1, 1, 1]],
  ];
  for (const [name, surface, normals, gradients, depth, expected] of cases) {
    const twoRows = (row) => (row.length === 8 ? row : [...row, ...row]);
    const mask = outlineMask({
      width: 4, height: 2, surface: Int32Array.from(twoRows(surface)), depth: Float32Array.from(twoRows(depth)),
      normals: Float32Array.from(normals.flat()), gradients: Float32Array.from(gradients.flat()),
    }, { creaseCos: Math.cos(Math.PI / 6), depthStep: 0.1 });
    assert.deepEqual([...mask], expected, name);
  }
});

test('light faces stay light and the three visible sides differ', () => {
  const [top, south, east] = [shadeFactor(0, 0, 1), shadeFactor(0, -1, 0), shadeFactor(1, 0, 0)];
  assert.ok(top > south && south > east, `${top} ${south} ${east}`);
  assert.ok(top > 0.95 && east >= 0.62, 'no face goes dark');
});

test('the picture averages each block of samples, in their colours plain or under a line', () => {
  // Palette entries (plain, then under a line): background, face 0, face 1.
  const palette = Float64Array.from([[255, 255, 255], [0, 0, 0], [10, 20, 30], [1, 2, 3], [100, 100, 100], [50, 50, 50]]
    .map(([r, g, b]) => pack(r, g, b)));
  const cases = [
    // samples (4 x 2, factor 2) seen, lines, expected pixels
    ['plain', [-1, 0, 1, 1, 0, -1, 1, 1], [0, 0, 0, 0, 0, 0, 0, 0], [133, 138, 143, 100, 100, 100]],
    ['under lines', [0, 0, 1, 1, 0, 0, 1, 1], [1, 1, 1, 0, 1, 0, 0, 0], [3, 7, 10, 88, 88, 88]],
  ];
  for (const [name, surface, mask, expected] of cases) {
    const rgb = resolvePicture({ width: 2, height: 1, factor: 2, surface: Int32Array.from(surface), palette,
      mask: Uint8Array.from(mask) });
    assert.deepEqual([...rgb], expected, name);
  }
  for (const [r, g, b] of [[0, 0, 0], [255, 128, 7], [255, 255, 255]]) {
    assert.deepEqual([0, 1, 2].map((c) => channel(9 * pack(r, g, b), c)), [9 * r, 9 * g, 9 * b], 'sums of nine colours unpack');
  }
});

test('glass blends over what lies behind it, far panes first whatever their order in the scene', () => {
  // Level squares seen from above keep their colours unshaded: an opaque
  // floor, a red pane above it and a blue pane above that, listed nearest first.
  const square = (half, z) => [-half, -half, z, half, -half, z, half, half, z, -half, -half, z, half, half, z, -half, half, z];
  const layers = [[square(4, 2), [0, 0, 1, 0.5]], [square(4, 1), [1, 0, 0, 0.5]], [square(10, 0), [0.2, 0.4, 0.6, 1]]];
  const scene = {
    positions: Float32Array.from(layers.flatMap(([corners]) => corners)),
    colours: Float32Array.from(layers.flatMap(([, rgba]) => [...rgba, ...rgba])),
  };
  const rgb = renderScene(scene, 80, 60);
  const pixel = (x, y) => [...rgb.subarray(3 * (y * 80 + x), 3 * (y * 80 + x) + 3)];
  // Floor (51, 102, 153), under red: (153, 51, 77), under blue then: (77, 26, 166).
  assert.deepEqual(pixel(40, 30), [77, 26, 166], 'under both panes');
  assert.deepEqual(pixel(20, 30), [51, 102, 153], 'the floor alone');
  assert.deepEqual(pixel(1, 1), BACKGROUND, 'nothing');
});
