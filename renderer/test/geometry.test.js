import assert from 'node:assert/strict';
import { test } from 'node:test';
import * as WebIFC from 'web-ifc';
import { loadScene, MemoryLimitError, ModelError } from '../src/geometry.js';

// A stand-in for web-ifc's API: each element one unit triangle, placed by a
// translation; `fail` names the call that throws, `heap` the engine's memory.
function fakeApi({ elements = [], fail = null, open = 0, heap = 1000 } = {}) {
  const calls = { closed: 0 };
  const maybeFail = (name) => { if (fail === name) throw new Error(`${name} broke`); };
  const vector = (items) => ({ size: () => items.length, get: (i) => items[i] });
  return {
    calls,
    wasmModule: { HEAPU8: { length: heap } },
    OpenModel() { maybeFail('OpenModel'); return open; },
    CloseModel() { calls.closed++; },
    GetLineType(model, id) { maybeFail('GetLineType'); return elements[id].type; },
    StreamAllMeshes(model, callback) {
      maybeFail('StreamAllMeshes');
      elements.forEach((element, id) => callback({
        expressID: id,
        geometries: vector([{ geometryExpressID: id, color: element.color, flatTransformation: element.matrix }]),
      }));
    },
    GetGeometry(model, id) {
      if (fail === 'GetGeometry' && id === 1) throw new Error('GetGeometry broke');
      return { GetVertexData: () => id, GetVertexDataSize: () => 18, GetIndexData: () => id, GetIndexDataSize: () => 3, delete() {} };
    },
    // Positions and normals of the corners (0,0,0), (1,0,0), (0,1,0) in web-ifc's axes.
    GetVertexArray: () => Float32Array.from([0, 0, 0, 0, 0, 1, 1, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 1]),
    GetIndexArray: () => Uint32Array.from([0, 1, 2]),
  };
}

const translate = (x, y, z) => [1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1];
const wall = (x) => ({ type: WebIFC.IFCWALL, color: { x: 1, y: 0.5, z: 0.25, w: 1 }, matrix: translate(x, 0, 0) });

test('placed triangles come out in the model axes (z up), with their colours; spaces and openings are not drawn', () => {
  const api = fakeApi({ elements: [wall(10), { ...wall(0), type: WebIFC.IFCSPACE },
    { ...wall(0), type: WebIFC.IFCOPENINGELEMENT }, { ...wall(0), matrix: translate(0, 3, 4) }] });
  const scene = loadScene(api, new Uint8Array(1));
  assert.equal(scene.triangles, 2);
  // web-ifc's y (up) becomes z, its z (south) becomes -y.
  assert.deepEqual([...scene.positions.slice(0, 9)], [10, -0, 0, 11, -0, 0, 10, -0, 1]);
  assert.deepEqual([...scene.positions.slice(9, 12)], [0, -4, 3]);
  assert.deepEqual([...scene.colours.slice(0, 4)], [1, 0.5, 0.25, 1]);
  assert.equal(api.calls.closed, 1);
});

test('any failure inside web-ifc fails the whole model and still closes it', () => {
  for (const fail of ['OpenModel', 'StreamAllMeshes', 'GetLineType', 'GetGeometry']) {
    const api = fakeApi({ elements: [wall(0), wall(1), wall(2)], fail });
    assert.throws(() => loadScene(api, new Uint8Array(1)), (e) => e instanceof ModelError && /web-ifc failed/.test(e.message), fail);
    assert.equal(api.calls.closed, fail === 'OpenModel' ? 0 : 1, fail);
  }
  assert.throws(() => loadScene(fakeApi({ open: -1 }), new Uint8Array(1)), { message: 'web-ifc cannot open the model' });
});

test('a model beyond the memory limit is stopped', () => {
  const api = fakeApi({ elements: [wall(0)], heap: 64 * 1048576 });
  assert.throws(() => loadScene(api, new Uint8Array(1), { memoryLimit: 32 * 1048576 }), MemoryLimitError);
  assert.equal(loadScene(api, new Uint8Array(1), { memoryLimit: 128 * 1048576 }).triangles, 1);
});
