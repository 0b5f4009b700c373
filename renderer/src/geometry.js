// The drawable triangles of a model, from web-ifc: every product's meshes
// with their placements and colours, except spaces and openings. Any failure
// inside web-ifc fails the whole model: a partial model is never drawn.
import * as WebIFC from 'web-ifc';
import { wasmHeapBytes } from './engine.js';
import { GrowableFloats } from './growable.js';
import { memoryLimitReason } from './memory-limit.js';

const NOT_DRAWN = new Set([WebIFC.IFCSPACE, WebIFC.IFCOPENINGELEMENT, WebIFC.IFCOPENINGSTANDARDCASE]);
const FLOATS_PER_VERTEX = 6;  // position and normal

export class ModelError extends Error {}
export class MemoryLimitError extends Error {}

const describe = (error) => (error instanceof Error ? error.message : String(error)) || 'unknown error';

// Runs one call into web-ifc, turning whatever it throws into a ModelError.
function guarded(what, call) {
  try {
    return call();
  } catch (error) {
    if (error instanceof MemoryLimitError || error instanceof ModelError) throw error;
    throw new ModelError(`web-ifc failed to ${what}: ${describe(error)}`);
  }
}

// Places the vertices of one geometry (web-ifc's axes: y up, z south) into
// the model's own axes (z up, y north) and appends its triangles.
function appendGeometry(positions, colours, vertices, indices, matrix, colour) {
  const m = matrix;
  for (let i = 0; i + 2 < indices.length; i += 3) {
    positions.reserve(9);
    const out = positions.values;
    let at = positions.length, finite = true;
    for (let corner = 0; corner < 3; corner++) {
      const v = FLOATS_PER_VERTEX * indices[i + corner];
      const x = vertices[v], y = vertices[v + 1], z = vertices[v + 2];
      const wx = m[0] * x + m[4] * y + m[8] * z + m[12];
      const wy = m[1] * x + m[5] * y + m[9] * z + m[13];
      const wz = m[2] * x + m[6] * y + m[10] * z + m[14];
      finite = finite && Number.isFinite(wx) && Number.isFinite(wy) && Number.isFinite(wz);
      out[at++] = wx;
      out[at++] = -wz;
      out[at++] = wy;
    }
    // A vertex index past the array or a broken placement gives no triangle.
    if (!finite) continue;
    positions.length = at;
    colours.push4(colour.x, colour.y, colour.z, colour.w);
  }
}

// Returns { positions, colours, triangles } of the model in bytes.
// memoryLimit bounds the file's bytes, which web-ifc holds until the model is
// closed, together with web-ifc's heap and the triangles gathered.
export function loadScene(api, bytes, { memoryLimit = Infinity } = {}) {
  const model = guarded('open the model', () => api.OpenModel(bytes, { COORDINATE_TO_ORIGIN: true }));
  if (typeof model !== 'number' || model < 0) throw new ModelError('web-ifc cannot open the model');
  const positions = new GrowableFloats(9 * 4096);
  const colours = new GrowableFloats(4 * 4096);
  const checkMemory = () => {
    const heap = wasmHeapBytes(api);
    if (bytes.length + heap + positions.bytes + colours.bytes > memoryLimit) {
      throw new MemoryLimitError(memoryLimitReason(memoryLimit));
    }
  };
  try {
    checkMemory();
    guarded('stream the meshes', () => api.StreamAllMeshes(model, (mesh) => {
      if (NOT_DRAWN.has(guarded('read an element type', () => api.GetLineType(model, mesh.expressID)))) return;
      const placed = mesh.geometries;
      for (let i = 0; i < placed.size(); i++) {
        const item = placed.get(i);
        const geometry = guarded('read a geometry', () => api.GetGeometry(model, item.geometryExpressID));
        try {
          const vertices = guarded('read vertices', () => api.GetVertexArray(geometry.GetVertexData(), geometry.GetVertexDataSize()));
          const indices = guarded('read indices', () => api.GetIndexArray(geometry.GetIndexData(), geometry.GetIndexDataSize()));
          appendGeometry(positions, colours, vertices, indices, item.flatTransformation, item.color);
        } finally {
          guarded('release a geometry', () => geometry.delete());
        }
      }
      checkMemory();
    }));
  } finally {
    try { api.CloseModel(model); } catch { /* the model's memory goes with the worker */ }
  }
  return { positions: positions.toArray(), colours: colours.toArray(), triangles: colours.length / 4 };
}
