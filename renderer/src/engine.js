// One web-ifc instance per thread, loaded once and kept between files, with
// its own logging off so that the command's output stays its own.
import { createRequire } from 'node:module';
import path from 'node:path';
import * as WebIFC from 'web-ifc';

const wasmFolder = path.dirname(createRequire(import.meta.url).resolve('web-ifc')) + path.sep;

// web-ifc's WebAssembly heap, which never shrinks and which no V8 limit counts.
export const wasmHeapBytes = (api) => api.wasmModule?.HEAPU8?.length ?? 0;

export async function startEngine() {
  const api = new WebIFC.IfcAPI();
  api.SetWasmPath(wasmFolder, true);
  await api.Init(undefined, true);
  api.SetLogLevel(WebIFC.LogLevel.LOG_LEVEL_OFF);
  return api;
}
