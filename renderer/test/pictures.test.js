import assert from 'node:assert/strict';
import { execFileSync, spawnSync } from 'node:child_process';
import { copyFileSync, mkdirSync } from 'node:fs';
import path from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';
import { BACKGROUND } from '../src/render.js';
import { BIN, REPO, SAMPLES, temporaryFolder } from './helpers.js';

// Kept in the build tree for a person to look at.
const SAVED = path.join(REPO, 'build', 'render-pictures');
const FACTS = fileURLToPath(new URL('./fixtures/picture_facts.py', import.meta.url));
const MODELS = ['AC20-FZK-Haus.ifc', 'testhouse_from Revit_CV20.ifc'];
const BORDER_REACH = 12;  // pixels between the model and the borders it is fitted to

test('the sample models: opaque RGB, framed, in several colours, upright', () => {
  const store = temporaryFolder();
  const run = spawnSync(process.execPath, [BIN, '--store', store, '--json', ...MODELS.map((m) => path.join(SAMPLES, m))],
    { encoding: 'utf8' });
  assert.equal(run.status, 0, run.stdout + run.stderr);
  mkdirSync(SAVED, { recursive: true });
  for (const line of run.stdout.trim().split('\n')) {
    const { file, key, status } = JSON.parse(line);
    assert.equal(status, 'rendered', file);
    const saved = path.join(SAVED, `${path.basename(file, '.ifc')}.png`);
    copyFileSync(path.join(store, key), saved);
    const facts = JSON.parse(execFileSync('/usr/bin/python3', [FACTS, saved, BACKGROUND.join(',')], { encoding: 'utf8' }));
    const name = path.basename(file);
    assert.deepEqual([facts.format, facts.mode, facts.size], ['PNG', 'RGB', [512, 384]], name);
    assert.ok(facts.top > 0 && facts.left > 0 && facts.bottom < 383 && facts.right < 511, `${name} touches a border`);
    const fitsWidth = facts.left <= BORDER_REACH && facts.right >= 511 - BORDER_REACH;
    const fitsHeight = facts.top <= BORDER_REACH && facts.bottom >= 383 - BORDER_REACH;
    assert.ok(fitsWidth || fitsHeight, `${name} is not fitted: ${JSON.stringify(facts)}`);
    assert.ok(facts.colour_bins >= 8, `${name}: ${facts.colour_bins} colours`);
    if (name === 'AC20-FZK-Haus.ifc') {
      assert.ok(facts.warm_pixels > 5000 && facts.warm_mean_row < 192, `the roof is not in the upper half: ${JSON.stringify(facts)}`);
    }
  }
});
