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
// between triangles so that the hot loops allocate nothing:
// runs[3i .. 3i+2] = rowStart, firstColumn, lastColumn; depths[i] = the depth
// at the first column; dz = the depth change per column.
export class Spans {
  constructor(height) {
    this.runs = new Int32Array(3 * height);
    this.depths = new Float64Array(height);
    this.gradient = new Float64Array(2);
    this.count = 0;
    this.dz = 0;
  }
}

// Narrows the range of x where a * x + k >= 0 holds, from below (low side)
// or from above.
const lowerBound = (a, k, low) => (a > 0 ? Math.max(low, -k / a) : low);
const upperBound = (a, k, high) => (a < 0 ? Math.min(high, -k / a) : (a === 0 && k < 0 ? -Infinity : high));

// Fills spans with the samples whose centres lie inside the triangle;
// returns their number of rows.
export function coverTriangle(width, height, x0, y0, z0, x1, y1, z1, x2, y2, z2, spans) {
  spans.count = 0;
  const area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
  if (!(Math.abs(area) > 1e-12)) return 0;
  const minY = Math.max(0, Math.floor(Math.min(y0, y1, y2)));
  const maxY = Math.min(height - 1, Math.ceil(Math.max(y0, y1, y2)));
  const minX = Math.max(0, Math.floor(Math.min(x0, x1, x2)));
  const maxX = Math.min(width - 1, Math.ceil(Math.max(x0, x1, x2)));
  if (minX > maxX || minY > maxY) return 0;
  const sign = area > 0 ? 1 : -1;
  // Edge functions, positive inside whatever the winding.
  const a0 = sign * (y1 - y2), b0 = sign * (x2 - x1), c0 = sign * (x1 * y2 - x2 * y1);
  const a1 = sign * (y2 - y0), b1 = sign * (x0 - x2), c1 = sign * (x2 * y0 - x0 * y2);
  const a2 = sign * (y0 - y1), b2 = sign * (x1 - x0), c2 = sign * (x0 * y1 - x1 * y0);
  const gradient = spans.gradient;
  depthGradient(x0, y0, z0, x1, y1, z1, x2, y2, z2, gradient);
  const gx = gradient[0], gy = gradient[1];
  const { runs, depths } = spans;
  let count = 0;
  for (let row = minY; row <= maxY; row++) {
    const y = row + 0.5;
    const k0 = b0 * y + c0, k1 = b1 * y + c1, k2 = b2 * y + c2;
    const low = lowerBound(a2, k2, lowerBound(a1, k1, lowerBound(a0, k0, -Infinity)));
    const high = upperBound(a2, k2, upperBound(a1, k1, upperBound(a0, k0, Infinity)));
    const first = Math.max(minX, Math.ceil(low - 0.5));
    const last = Math.min(maxX, Math.floor(high - 0.5));
    if (first > last) continue;
    runs[3 * count] = row * width;
    runs[3 * count + 1] = first;
    runs[3 * count + 2] = last;
    depths[count] = z0 + gx * (first + 0.5 - x0) + gy * (y - y0);
    count++;
  }
  spans.count = count;
  spans.dz = gx;
  return count;
}
