// A pool of render workers. A worker that runs past the time limit, runs out
// of memory or dies is stopped and its file reported; a fresh worker takes
// its place and the batch goes on.
import { Worker } from 'node:worker_threads';
import { memoryLimitReason } from './memory-limit.js';

const WORKER = new URL('./worker.js', import.meta.url);
const MAX_START_FAILURES = 3;

export class RenderPool {
  constructor(size, { timeoutMs, memoryLimit, workerUrl = WORKER }) {
    this.workerUrl = workerUrl;
    this.timeoutMs = timeoutMs;
    this.memoryLimit = memoryLimit;
    this.queue = [];
    this.slots = [];
    this.peakMemory = 0;
    this.startFailures = 0;
    for (let i = 0; i < size; i++) this.slots.push(this.spawn());
  }

  spawn() {
    const slot = { worker: null, ready: false, task: null, timer: null };
    // The JavaScript heap is bounded by V8; web-ifc's heap by the worker's own checks.
    const heapMb = Math.max(64, Math.round(this.memoryLimit / 1048576));
    slot.worker = new Worker(this.workerUrl, { workerData: { memoryLimit: this.memoryLimit },
      resourceLimits: { maxOldGenerationSizeMb: heapMb }, stdout: true, stderr: true });
    // web-ifc may still print: its lines are not the command's output.
    slot.worker.stdout.resume();
    slot.worker.stderr.resume();
    slot.worker.on('message', (message) => this.onMessage(slot, message));
    slot.worker.on('error', (error) => this.onStop(slot, error.code === 'ERR_WORKER_OUT_OF_MEMORY'
      ? memoryLimitReason(this.memoryLimit)
      : `the renderer stopped: ${error.message}`));
    slot.worker.on('exit', () => this.onStop(slot, 'the renderer stopped unexpectedly'));
    return slot;
  }

  // Renders one file: resolves with { status, reason?, png? }, never rejects.
  render(task) {
    if (this.closed) return Promise.resolve({ status: 'failed', reason: 'web-ifc cannot start' });
    return new Promise((resolve) => {
      this.queue.push({ task, resolve });
      this.dispatch();
    });
  }

  dispatch() {
    for (const slot of this.slots) {
      if (!slot.ready || slot.task || this.queue.length === 0) continue;
      slot.task = this.queue.shift();
      slot.timer = setTimeout(() => this.stop(slot, `stopped after the time limit of ${this.timeoutMs / 1000} s`),
        this.timeoutMs);
      slot.worker.postMessage(slot.task.task);
    }
  }

  onMessage(slot, message) {
    if (message.memory > this.peakMemory) this.peakMemory = message.memory;
    if (message.ready) {
      slot.ready = true;
      this.startFailures = 0;
      this.dispatch();
      return;
    }
    const { resolve } = this.finish(slot);
    const { retire, memory, ...result } = message;
    if (result.png) result.png = Buffer.from(result.png.buffer, result.png.byteOffset, result.png.byteLength);
    resolve(result);
    if (retire) this.replace(slot);
    else this.dispatch();
  }

  onStop(slot, reason) {
    if (slot.stopped) return;
    if (!slot.ready && ++this.startFailures >= MAX_START_FAILURES) {
      // web-ifc cannot start here at all: fail what is waiting instead of retrying forever.
      this.closed = true;
      for (const waiting of this.queue.splice(0)) waiting.resolve({ status: 'failed', reason: `web-ifc cannot start: ${reason}` });
    }
    this.stop(slot, reason);
  }

  stop(slot, reason) {
    const current = slot.task ? this.finish(slot) : null;
    this.replace(slot);
    current?.resolve({ status: 'failed', reason });
  }

  finish(slot) {
    clearTimeout(slot.timer);
    const current = slot.task;
    slot.task = null;
    return current;
  }

  replace(slot) {
    slot.stopped = true;
    slot.worker.removeAllListeners();
    slot.worker.on('error', () => {});
    slot.worker.terminate();
    if (this.closed) return;
    this.slots[this.slots.indexOf(slot)] = this.spawn();
  }

  async close() {
    this.closed = true;
    await Promise.all(this.slots.map((slot) => slot.worker.terminate()));
  }
}
