// Outlines where the surface seen changes sharply: the model's silhouette
// against the background, a crease between faces whose normals differ by
// more than a set angle, or a step in depth between overlapping surfaces
// (a wall in front of another, both of one grey).

// surface: Int32Array of the triangle seen at each sample (-1: background);
// depth: Float32Array; normals: 3 per triangle (unit); gradients: 2 per
// triangle (depth change per sample right and down). Fills mask (one byte
// per sample: 1 on a line) and returns it. Only pairs of samples inside
// region (inclusive) are compared: it must hold the model with a sample of
// background all round.
export function outlineMask({ width, height, surface, depth, normals, gradients }, { creaseCos, depthStep },
  mask = new Uint8Array(width * height), region = { left: 0, top: 0, right: width - 1, bottom: height - 1 }) {
  mask.fill(0);
  const size = width * height;
  // Each line is widened by one sample to the right and down.
  const mark = (p) => {
    mask[p] = 1;
    if ((p + 1) % width !== 0) mask[p + 1] = 1;
    if (p + width < size) mask[p + width] = 1;
  };
  // Samples p and q = p + step, seen on different surfaces a and b. The line
  // goes on the nearer of the two, so it belongs to the surface in front; at
  // the silhouette, on the model's side.
  const edge = (p, q, a, b, down) => {
    if (a >= 0 && b >= 0) {
      const na = 3 * a, nb = 3 * b;
      const cos = normals[na] * normals[nb] + normals[na + 1] * normals[nb + 1] + normals[na + 2] * normals[nb + 2];
      const predicted = depth[p] + gradients[2 * a + down];
      if (cos >= creaseCos && !(Math.abs(depth[q] - predicted) > depthStep)) return;
    }
    mark(b < 0 || (a >= 0 && depth[p] <= depth[q]) ? p : q);
  };
  for (let row = region.top; row <= region.bottom; row++) {
    const last = row * width + region.right;
    const below = row < region.bottom;
    for (let p = row * width + region.left; p <= last; p++) {
      const a = surface[p];
      if (p < last && surface[p + 1] !== a) edge(p, p + 1, a, surface[p + 1], 0);
      if (below && surface[p + width] !== a) edge(p, p + width, a, surface[p + width], 1);
    }
  }
  return mask;
}
