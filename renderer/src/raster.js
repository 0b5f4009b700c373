// Triangle setup and coverage over a grid of samples whose centres sit at
// (column + 0.5, row + 0.5). Depth is linear in screen space (orthographic).

// The change of depth per sample to the right and per sample down, over the
// triangle's plane, into out[at] and out[at + 1]: it interpolates depth across
// the triangle and predicts the depth of a neighbouring sample on the same
// surface. Both are 0 for a triangle with no area.
export function depthGradient(x0, y0, z0, x1, y1, z1, x2, y2, z2, out, at = 0) {
  const area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
  if (!(Math.abs(area) > 1e-12)) {
    out[at] = 0;
    out[at + 1] = 0;
    return;
  }
  out[at] = ((z1 - z0) * (y2 - y0) - (z2 - z0) * (y1 - y0)) / area;
  out[at + 1] = ((x1 - x0) * (z2 - z0) - (x2 - x0) * (z1 - z0)) / area;
}

// The runs of samples one triangle covers, one per row, in buffers kept
// between triangles so that the hot loops allocate nothing: for the i-th run,
// runs[3i .. 3i+2] = rowStart, firstColumn, lastColumn and depths[i] = the
// depth at the first column; dz = the depth change per column.
export class Spans {
  constructor(height) {
    this.runs = new Int32Array(3 * height);
    this.depths = new Float64Array(height);
    this.dz = 0;
  }
}

// Fills spans with the samples whose centres lie inside the triangle, whose
// depth gradient (depthGradient) is gx, gy; returns the number of runs.
export function coverTriangle(width, height, x0, y0, z0, x1, y1, z1, x2, y2, z2, gx, gy, spans) {
  const area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
  if (!(Math.abs(area) > 1e-12)) return 0;
  const minY = Math.max(0, Math.floor(Math.min(y0, y1, y2)));
  const maxY = Math.min(height - 1, Math.ceil(Math.max(y0, y1, y2)));
  const minX = Math.max(0, Math.floor(Math.min(x0, x1, x2)));
  const maxX = Math.min(width - 1, Math.ceil(Math.max(x0, x1, x2)));
  if (minX > maxX || minY > maxY) return 0;
  const sign = area > 0 ? 1 : -1;
  // Edge functions a * x + b * y + c, positive inside whatever the winding.
  // On a row, each bounds x from one side at x = slope * y + offset: from
  // the left where a > 0, from the right where a < 0; a level edge (a = 0)
  // keeps the whole row in or out.
  const a0 = sign * (y1 - y2), b0 = sign * (x2 - x1), c0 = sign * (x1 * y2 - x2 * y1);
  const a1 = sign * (y2 - y0), b1 = sign * (x0 - x2), c1 = sign * (x2 * y0 - x0 * y2);
  const a2 = sign * (y0 - y1), b2 = sign * (x1 - x0), c2 = sign * (x0 * y1 - x1 * y0);
  const s0 = a0 === 0 ? 0 : -b0 / a0, o0 = a0 === 0 ? 0 : -c0 / a0;
  const s1 = a1 === 0 ? 0 : -b1 / a1, o1 = a1 === 0 ? 0 : -c1 / a1;
  const s2 = a2 === 0 ? 0 : -b2 / a2, o2 = a2 === 0 ? 0 : -c2 / a2;
  const { runs, depths } = spans;
  let count = 0;
  for (let row = minY; row <= maxY; row++) {
    const y = row + 0.5;
    let low = minX + 0.5, high = maxX + 0.5;
    if (a0 > 0) low = Math.max(low, s0 * y + o0); else if (a0 < 0) high = Math.min(high, s0 * y + o0); else if (b0 * y + c0 < 0) continue;
    if (a1 > 0) low = Math.max(low, s1 * y + o1); else if (a1 < 0) high = Math.min(high, s1 * y + o1); else if (b1 * y + c1 < 0) continue;
    if (a2 > 0) low = Math.max(low, s2 * y + o2); else if (a2 < 0) high = Math.min(high, s2 * y + o2); else if (b2 * y + c2 < 0) continue;
    const first = Math.ceil(low - 0.5);
    const last = Math.floor(high - 0.5);
    if (first > last) continue;
    runs[3 * count] = row * width;
    runs[3 * count + 1] = first;
    runs[3 * count + 2] = last;
    depths[count] = z0 + gx * (first + 0.5 - x0) + gy * (y - y0);
    count++;
  }
  spans.dz = gx;
  return count;
}
