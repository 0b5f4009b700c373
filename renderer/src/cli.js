// The command line of tamsel-render. Exit codes: 0 when no file failed,
// 1 when some file failed, 2 for wrong usage.
import os from 'node:os';
import { parseArgs } from 'node:util';
import { runBatch, summarize } from './batch.js';
import { createReporter } from './report.js';
import { defaultStoreFolder } from './store.js';

const USAGE = `Usage: tamsel-render [options] <file or folder>...
Renders a preview picture of each IFC file (folders: every *.ifc below them)
into the Preview store.
  --store DIR     the store folder (default on Windows: the common
                  application-data folder's tamsel\\)
  --replace       overwrite pictures already stored
  --jobs N        files rendered at once (default: the number of cores)
  --timeout S     seconds allowed per file (default 120)
  --memory MB     memory allowed per worker (default 2048)
  --size WxH      picture size (default 512x384; width at most 512,
                  height at most three quarters of the width)
  --json          one JSON object per file on standard output
  --help          this text`;

class UsageError extends Error {}

function positiveNumber(text, name, integer) {
  const value = Number(text);
  if (!Number.isFinite(value) || value <= 0 || (integer && !Number.isInteger(value))) {
    throw new UsageError(`${name} needs a positive ${integer ? 'whole ' : ''}number, not "${text}"`);
  }
  return value;
}

// setTimeout holds at most 2^31 - 1 ms; a longer delay would fire at once.
const MAX_TIMEOUT_S = Math.floor((2 ** 31 - 1) / 1000);

function parseTimeout(text) {
  const seconds = positiveNumber(text, '--timeout', false);
  if (seconds > MAX_TIMEOUT_S) throw new UsageError(`--timeout ${text}: at most ${MAX_TIMEOUT_S} seconds`);
  return seconds;
}

// The size rule of the store's pictures.
function parseSize(text) {
  const match = /^(\d+)x(\d+)$/.exec(text);
  if (!match) throw new UsageError(`--size needs WIDTHxHEIGHT, not "${text}"`);
  const width = Number(match[1]), height = Number(match[2]);
  if (width < 1 || width > 512 || height < 1 || height > Math.floor((width * 3) / 4)) {
    throw new UsageError(`--size ${text}: the width must be 1 to 512 and the height at most three quarters of it`);
  }
  return { width, height };
}

function parseOptions(argv) {
  let parsed;
  try {
    parsed = parseArgs({
      args: argv,
      allowPositionals: true,
      options: {
        store: { type: 'string' }, replace: { type: 'boolean' }, jobs: { type: 'string' },
        timeout: { type: 'string' }, memory: { type: 'string' }, size: { type: 'string' },
        json: { type: 'boolean' }, help: { type: 'boolean' },
      },
    });
  } catch (error) {
    throw new UsageError(error.message);
  }
  const { values, positionals } = parsed;
  if (values.help) return { help: true };
  if (positionals.length === 0) throw new UsageError('name at least one file or folder');
  const store = values.store ?? defaultStoreFolder(process.platform, process.env);
  if (!store) throw new UsageError('--store is required here (there is no common application-data folder)');
  return {
    inputs: positionals,
    store,
    replace: Boolean(values.replace),
    json: Boolean(values.json),
    jobs: values.jobs === undefined ? Math.max(1, os.availableParallelism?.() ?? os.cpus().length) : positiveNumber(values.jobs, '--jobs', true),
    timeoutMs: 1000 * (values.timeout === undefined ? 120 : parseTimeout(values.timeout)),
    memoryLimit: 1048576 * (values.memory === undefined ? 2048 : positiveNumber(values.memory, '--memory', true)),
    ...(values.size === undefined ? { width: 512, height: 384 } : parseSize(values.size)),
  };
}

export async function main(argv, { stdout = process.stdout, stderr = process.stderr } = {}) {
  let options;
  try {
    options = parseOptions(argv);
  } catch (error) {
    if (!(error instanceof UsageError)) throw error;
    stderr.write(`tamsel-render: ${error.message}\n${USAGE}\n`);
    return 2;
  }
  if (options.help) {
    stdout.write(`${USAGE}\n`);
    return 0;
  }
  const reporter = createReporter({ json: options.json, stdout, stderr });
  const { results } = await runBatch(options.inputs, {
    ...options,
    onStart: (total) => reporter.start(total),
    onResult: (result) => reporter.result(result),
  });
  const summary = summarize(results);
  reporter.summary(summary);
  return summary.failed > 0 ? 1 : 0;
}
