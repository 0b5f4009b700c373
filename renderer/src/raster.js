// Triangle setup and coverage over a grid of samples whose centres sit at
// (column + 0.5, row + 0.5). Depth is linear in screen space (orthographic).

// The change of depth per sample to the right and per sample down, over the
// triangle's plane: it interpolates depth across the triangle and predicts
// the depth of a neighbouring sample on the same surface.
export function depthGradient(x0, y0, z0, x1, y1, z1, x2, y2, z2) {
  const area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
  if (!(Math.abs(area) > 1e-12)) return [0, 0];
  return [
    ((z1 - z0) * (y2 - y0) - (z2 - z0) * (y1 - y0)) / area,
    ((x1 - x0) * (z2 - z0) - (x2 - x0) * (z1 - z0)) / area,
  ];
}

// Narrows [low, high] to the x where a * x + k >= 0 holds.
function clip(a, k, span) {
  if (a > 0) span[0] = Math.max(span[0], -k / a);
  else if (a < 0) span[1] = Math.min(span[1], -k / a);
  else if (k < 0) span[1] = -Infinity;
}

// For each row that the triangle covers, calls
// visit(rowStart, firstColumn, lastColumn, depthAtFirst, depthPerColumn)
// with the run of samples whose centres lie inside it.
export function forEachSpan(width, height, x0, y0, z0, x1, y1, z1, x2, y2, z2, visit) {
  const area = (x1 - x0) * (y2 - y0) - (x2 - x0) * (y1 - y0);
  if (!(Math.abs(area) > 1e-12)) return;
  const minY = Math.max(0, Math.floor(Math.min(y0, y1, y2)));
  const maxY = Math.min(height - 1, Math.ceil(Math.max(y0, y1, y2)));
  const minX = Math.max(0, Math.floor(Math.min(x0, x1, x2)));
  const maxX = Math.min(width - 1, Math.ceil(Math.max(x0, x1, x2)));
  if (minX > maxX || minY > maxY) return;
  const sign = area > 0 ? 1 : -1;
  // Edge functions, positive inside whatever the winding.
  const a0 = sign * (y1 - y2), b0 = sign * (x2 - x1), c0 = sign * (x1 * y2 - x2 * y1);
  const a1 = sign * (y2 - y0), b1 = sign * (x0 - x2), c1 = sign * (x2 * y0 - x0 * y2);
  const a2 = sign * (y0 - y1), b2 = sign * (x1 - x0), c2 = sign * (x0 * y1 - x1 * y0);
  const [gx, gy] = depthGradient(x0, y0, z0, x1, y1, z1, x2, y2, z2);
  const span = [0, 0];
  for (let row = minY; row <= maxY; row++) {
    const y = row + 0.5;
    span[0] = -Infinity;
    span[1] = Infinity;
    clip(a0, b0 * y + c0, span);
    clip(a1, b1 * y + c1, span);
    clip(a2, b2 * y + c2, span);
    const first = Math.max(minX, Math.ceil(span[0] - 0.5));
    const last = Math.min(maxX, Math.floor(span[1] - 0.5));
    if (first > last) continue;
    const depth = z0 + gx * (first + 0.5 - x0) + gy * (y - y0);
    visit(row * width, first, last, depth, gx);
  }
}
