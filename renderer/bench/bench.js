// tamsel-render's figures: per sample model, web-ifc's own time to open it
// and stream all meshes against the renderer's whole time for the file; then
// files per second for a batch of 50 files with 1 and 2 workers (one process
// each, so its start is amortised) and the peak memory of a worker.
// Usage: node bench/bench.js [batch JOBS FOLDER]   (the second form is internal)
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { runBatch } from '../src/batch.js';
import { startEngine } from '../src/engine.js';
import { loadScene } from '../src/geometry.js';
import { previewKeyOfFile } from '../src/key.js';
import { encodePng } from '../src/png.js';
import { renderFile } from '../src/render-file.js';
import { renderScene } from '../src/render.js';
import { writePreview } from '../src/store.js';

const HERE = path.dirname(fileURLToPath(import.meta.url));
const SAMPLES = path.join(HERE, '../../tests/data/ifc-samples');
const RUNS = 7;
const WARM_UP = 3;  // a worker draws many files: its first pictures run before V8 has optimised the loops
const BATCH = 50;
const MB = 1048576;

// The fastest time of each run, the runs taken in turn so that all meet the
// same load from the rest of the machine.
async function bestOfEach(...runs) {
  const fastest = runs.map(() => Infinity);
  for (let i = 0; i < RUNS; i++) {
    for (const [which, run] of runs.entries()) {
      const start = performance.now();
      await run();
      fastest[which] = Math.min(fastest[which], performance.now() - start);
    }
  }
  return fastest;
}

// web-ifc alone: open, stream every mesh and fetch its vertices and indices.
function webIfcOnly(api, bytes) {
  const model = api.OpenModel(bytes, { COORDINATE_TO_ORIGIN: true });
  api.StreamAllMeshes(model, (mesh) => {
    for (let i = 0; i < mesh.geometries.size(); i++) {
      const geometry = api.GetGeometry(model, mesh.geometries.get(i).geometryExpressID);
      api.GetVertexArray(geometry.GetVertexData(), geometry.GetVertexDataSize());
      api.GetIndexArray(geometry.GetIndexData(), geometry.GetIndexDataSize());
      geometry.delete();
    }
  });
  api.CloseModel(model);
}

// The renderer's whole road for one file, as the batch and a worker take it;
// each stage's fastest time goes into stages.
async function wholeRenderer(api, file, store, stages = {}) {
  let last = performance.now();
  const lap = (stage) => {
    const now = performance.now();
    stages[stage] = Math.min(stages[stage] ?? Infinity, now - last);
    last = now;
  };
  const key = await previewKeyOfFile(file);
  const result = await renderFile(api, { path: file, key, width: 512, height: 384 }, Infinity, lap);
  if (result.status === 'failed') throw new Error(`bad sample ${file}: ${result.reason}`);
  if (result.status !== 'rendered') return;
  await writePreview(store, key, result.png, { replace: true });
  lap('write');
}

// What every picture costs whatever the model: a box of 12 triangles drawn and encoded.
async function fixedCost() {
  const corner = (i) => [(i & 1) * 10, ((i >> 1) & 1) * 6, ((i >> 2) & 1) * 4];
  const faces = [[0, 1, 3, 2], [4, 5, 7, 6], [0, 1, 5, 4], [2, 3, 7, 6], [0, 2, 6, 4], [1, 3, 7, 5]];
  const positions = Float32Array.from(faces.flatMap(([a, b, c, d]) => [a, b, c, a, c, d].flatMap(corner)));
  const colours = Float32Array.from({ length: 4 * 12 }, (_, i) => (i % 4 === 3 ? 1 : 0.8));  // opaque grey
  const draw = () => encodePng(renderScene({ positions, colours }, 512, 384), 512, 384);
  for (let i = 0; i < 3 * WARM_UP; i++) draw();
  const [fastest] = await bestOfEach(draw);
  return fastest;
}

async function perModel() {
  const api = await startEngine();
  const store = mkdtempSync(path.join(os.tmpdir(), 'tamsel-bench-store-'));
  console.log(`Per model, fastest of ${RUNS} runs of each in turn after ${WARM_UP} to warm up, in one process (ms):`);
  console.log('model                            bytes  triangles  web-ifc  renderer  ratio   (renderer: hash twice, load, draw, png, write)');
  for (const name of readdirSync(SAMPLES).filter((n) => n.endsWith('.ifc')).sort()) {
    const file = path.join(SAMPLES, name);
    const bytes = readFileSync(file);
    const triangles = loadScene(api, bytes).triangles;
    for (let i = 0; i < WARM_UP; i++) await wholeRenderer(api, file, store);
    const stages = {};
    const [engine, whole] = await bestOfEach(() => webIfcOnly(api, bytes), () => wholeRenderer(api, file, store, stages));
    const split = Object.values(stages).map((ms) => ms.toFixed(1)).join(' ');
    console.log(`${name.padEnd(30)} ${String(bytes.length).padStart(8)} ${String(triangles).padStart(10)} `
      + `${engine.toFixed(0).padStart(8)} ${whole.toFixed(0).padStart(9)} ${(whole / engine).toFixed(2).padStart(6)}   (${split})`);
  }
  rmSync(store, { recursive: true, force: true });
  console.log(`Fixed cost of a picture (a box of 12 triangles, drawn and encoded): ${(await fixedCost()).toFixed(1)} ms`);
}

// 50 files of distinct content: the drawable samples in turn, each with a
// comment of its own after the end marker.
function batchFolder() {
  const folder = mkdtempSync(path.join(os.tmpdir(), 'tamsel-bench-batch-'));
  const models = ['AC20-FZK-Haus.ifc', 'testhouse_from Revit_CV20.ifc'].map((n) => readFileSync(path.join(SAMPLES, n)));
  for (let i = 0; i < BATCH; i++) {
    writeFileSync(path.join(folder, `model-${i}.ifc`), Buffer.concat([models[i % models.length], Buffer.from(`/* copy ${i} */\n`)]));
  }
  return folder;
}

async function batchRun(jobs, folder) {
  const store = mkdtempSync(path.join(os.tmpdir(), 'tamsel-bench-store-'));
  const start = performance.now();
  const { results, peakMemory } = await runBatch([folder], { store, replace: false, jobs, timeoutMs: 600000,
    memoryLimit: 2048 * MB, width: 512, height: 384 });
  const seconds = (performance.now() - start) / 1000;
  rmSync(store, { recursive: true, force: true });
  const rendered = results.filter((r) => r.status === 'rendered').length;
  console.log(JSON.stringify({ seconds, rendered, peakMemory, maxRss: process.resourceUsage().maxRSS * 1024 }));
}

async function batches() {
  const folder = batchFolder();
  console.log(`\nBatch of ${BATCH} files (half AC20-FZK-Haus, half testhouse), one process per run:`);
  console.log('jobs  seconds  files/s  peak per worker (MB)  process peak RSS (MB)');
  for (const jobs of [1, 2]) {
    const child = spawnSync(process.execPath, [fileURLToPath(import.meta.url), 'batch', String(jobs), folder], { encoding: 'utf8' });
    const figures = JSON.parse(child.stdout.trim().split('\n').pop());
    console.log(`${String(jobs).padStart(4)} ${figures.seconds.toFixed(1).padStart(8)} ${(BATCH / figures.seconds).toFixed(2).padStart(8)} `
      + `${(figures.peakMemory / MB).toFixed(0).padStart(21)} ${(figures.maxRss / MB).toFixed(0).padStart(22)}`
      + (figures.rendered === BATCH ? '' : `  (only ${figures.rendered} rendered)`));
  }
  rmSync(folder, { recursive: true, force: true });
  console.log(`(${os.cpus().length} cores: ${os.cpus()[0]?.model ?? 'unknown'})`);
}

if (process.argv[2] === 'batch') await batchRun(Number(process.argv[3]), process.argv[4]);
else {
  await perModel();
  await batches();
}
