// The camera: an orthographic axonometric view from the south-east, about
// 30 degrees above the horizon, in the model's own axes (x east, y north,
// z up; true north is not used), and the framing that fits the model into
// the picture with a small margin.
const ELEVATION = (30 * Math.PI) / 180;

function normalize([x, y, z]) {
  const length = Math.hypot(x, y, z);
  return [x / length, y / length, z / length];
}

function cross(a, b) {
  return [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]];
}

// right, up and forward (away from the viewer) as unit vectors in model axes.
export function viewBasis(elevation = ELEVATION) {
  const horizontal = Math.cos(elevation) / Math.SQRT2;
  const toViewer = [horizontal, -horizontal, Math.sin(elevation)];  // towards the south-east, above
  const forward = toViewer.map((v) => -v);
  const right = normalize(cross(forward, [0, 0, 1]));
  const up = cross(right, forward);
  return { right, up, forward };
}

// View coordinates of each vertex: x to the right, y up, depth away from the viewer.
export function toView(positions, basis = viewBasis()) {
  const { right: r, up: u, forward: f } = basis;
  const out = new Float32Array(positions.length);
  for (let i = 0; i < positions.length; i += 3) {
    const x = positions[i], y = positions[i + 1], z = positions[i + 2];
    out[i] = x * r[0] + y * r[1] + z * r[2];
    out[i + 1] = x * u[0] + y * u[1] + z * u[2];
    out[i + 2] = x * f[0] + y * f[1] + z * f[2];
  }
  return out;
}

export function bounds(view) {
  const min = [Infinity, Infinity, Infinity];
  const max = [-Infinity, -Infinity, -Infinity];
  for (let i = 0; i < view.length; i += 3) {
    for (let axis = 0; axis < 3; axis++) {
      const v = view[i + axis];
      if (v < min[axis]) min[axis] = v;
      if (v > max[axis]) max[axis] = v;
    }
  }
  return { min, max };
}

// The mapping from view x, y to pixel column and row (row 0 at the top):
// column = originX + x * scale, row = originY - y * scale. It centres the
// model and fits its larger extent inside the margin. Null when the model
// has no extent at all.
export function framing({ min, max }, width, height, margin) {
  const spanX = max[0] - min[0];
  const spanY = max[1] - min[1];
  if (!Number.isFinite(spanX) || !Number.isFinite(spanY) || !(spanX > 0 || spanY > 0)) return null;
  const scale = Math.min(
    spanX > 0 ? (width - 2 * margin) / spanX : Infinity,
    spanY > 0 ? (height - 2 * margin) / spanY : Infinity,
  );
  return {
    scale,
    originX: width / 2 - ((min[0] + max[0]) / 2) * scale,
    originY: height / 2 + ((min[1] + max[1]) / 2) * scale,
  };
}
