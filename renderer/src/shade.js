// Flat shading that keeps light colours light: a level face (and any face
// turned more towards the light) keeps its colour, one turned away from the
// light is dimmed to no less than AMBIENT.
const AMBIENT = 0.62;
// From above, a little to the south and east: roofs brightest, then the
// south faces, then the east faces, so the three visible sides differ.
const LIGHT = (() => {
  const v = [0.3, -0.55, 0.78];
  const length = Math.hypot(...v);
  return v.map((c) => c / length);
})();

export function shadeFactor(nx, ny, nz) {
  const lit = Math.max(0, nx * LIGHT[0] + ny * LIGHT[1] + nz * LIGHT[2]);
  return Math.min(1, AMBIENT + ((1 - AMBIENT) * lit) / LIGHT[2]);
}

// Writes the unit normal of face t, turned towards the viewer (model meshes
// do not agree on their winding), into out[at .. at + 2]; false for a face
// with no area.
export function faceNormal(positions, t, toViewer, out, at) {
  const i = 9 * t;
  const ax = positions[i + 3] - positions[i], ay = positions[i + 4] - positions[i + 1], az = positions[i + 5] - positions[i + 2];
  const bx = positions[i + 6] - positions[i], by = positions[i + 7] - positions[i + 1], bz = positions[i + 8] - positions[i + 2];
  let nx = ay * bz - az * by, ny = az * bx - ax * bz, nz = ax * by - ay * bx;
  const length = Math.sqrt(nx * nx + ny * ny + nz * nz);  // not Math.hypot: this runs per face, and hypot is slow
  if (!(length > 0)) return false;
  nx /= length; ny /= length; nz /= length;
  if (nx * toViewer[0] + ny * toViewer[1] + nz * toViewer[2] < 0) { nx = -nx; ny = -ny; nz = -nz; }
  out[at] = nx;
  out[at + 1] = ny;
  out[at + 2] = nz;
  return true;
}
