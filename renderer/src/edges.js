// Outlines where the surface seen changes sharply: the model's silhouette
// against the background, a crease between faces whose normals differ by
// more than a set angle, or a step in depth between overlapping surfaces
// (a wall in front of another, both of one grey).

// surface: Int32Array of the triangle seen at each sample (-1: background);
// depth: Float32Array; normals: 3 per triangle (unit); gradients: 2 per
// triangle (depth change per sample right and down). Returns a mask.
export function outlineMask({ width, height, surface, depth, normals, gradients }, { creaseCos, depthStep }) {
  const mask = new Uint8Array(width * height);
  const differs = (p, q, dx, dy) => {
    const a = surface[p], b = surface[q];
    if (a === b) return false;
    if (a < 0 || b < 0) return true;
    const cos = normals[3 * a] * normals[3 * b] + normals[3 * a + 1] * normals[3 * b + 1] + normals[3 * a + 2] * normals[3 * b + 2];
    if (cos < creaseCos) return true;
    const predicted = depth[p] + gradients[2 * a] * dx + gradients[2 * a + 1] * dy;
    return Math.abs(depth[q] - predicted) > depthStep;
  };
  // The line goes on the nearer of the two samples, so it belongs to the
  // surface in front; at the silhouette, on the model's side.
  const mark = (p, q) => {
    const a = surface[p], b = surface[q];
    if (b < 0 || (a >= 0 && depth[p] <= depth[q])) mask[p] = 1;
    else mask[q] = 1;
  };
  for (let row = 0; row < height; row++) {
    for (let column = 0; column < width; column++) {
      const p = row * width + column;
      const here = surface[p];
      if (column + 1 < width && surface[p + 1] !== here && differs(p, p + 1, 1, 0)) mark(p, p + 1);
      if (row + 1 < height && surface[p + width] !== here && differs(p, p + width, 0, 1)) mark(p, p + width);
    }
  }
  return mask;
}

// Widens each line by one sample to the right and down.
export function thicken(mask, width, height) {
  const out = mask.slice();
  for (let row = 0; row < height; row++) {
    for (let column = 0; column < width; column++) {
      if (!mask[row * width + column]) continue;
      if (column + 1 < width) out[row * width + column + 1] = 1;
      if (row + 1 < height) out[(row + 1) * width + column] = 1;
    }
  }
  return out;
}
