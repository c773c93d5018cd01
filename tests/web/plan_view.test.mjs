// The page's picture data held to the viewer's model: for the same list and
// counts, the plan views the WebAssembly core hands the page (every cell's
// deviation and colour, every string's sums, currents and cold voltage, the
// colour scale) equal what the native model gives for the result file
// voltrigg-cli writes, before and after the assessment, for both wirings and
// both colourings.
//   node --test tests/web/plan_view.test.mjs
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { before, describe, it } from 'node:test';

import { assessConditions, cliPath, defaultConditions, generatedList, loadCore, planViewDumpPath, tempDir } from './support.mjs';

// The binding's columns as the native dump's rows.
function viewJson(v) {
  const serials = v.cells.serials.split('\0');
  const c = v.cells;
  const s = v.strings;
  return {
    series: v.series,
    parallel: v.parallel,
    colour_range_pct: v.colour_range_pct,
    mean_string_voltage_v: v.mean_string_voltage_v,
    mean_string_current_a: v.mean_string_current_a,
    limit_v: v.limit_v,
    max_voc_cold_v: v.max_voc_cold_v,
    cells: Array.from(c.string_no, (string_no, k) => ({
      string_no,
      position: c.position[k],
      module_no: c.module_no[k],
      serial: serials[k],
      vpm_v: c.vpm_v[k],
      ipm_a: c.ipm_a[k],
      deviation_pct: c.deviation_pct[k],
      colour: [c.colour[3 * k], c.colour[3 * k + 1], c.colour[3 * k + 2]],
    })),
    strings: Array.from(s.vpm_sum_v, (vpm_sum_v, j) => ({
      vpm_sum_v,
      mean_vpm_v: s.mean_vpm_v[j],
      mean_ipm_a: s.mean_ipm_a[j],
      planning_current_a: s.planning_current_a[j],
      current_a: s.current_a[j],
      voc_cold_v: Number.isNaN(s.voc_cold_v[j]) ? null : s.voc_cold_v[j],
      over_limit: s.over_limit[j] === 1,
    })),
  };
}

// voltrigg-cli's result of the list, then the native model's views of it.
function nativeViews(list, series, parallel, assess) {
  const dir = tempDir('voltrigg-plan-view-');
  try {
    fs.writeFileSync(path.join(dir, 'modules.csv'), list);
    const cli = spawnSync(cliPath, ['-s', String(series), '-p', String(parallel), '-o', 'result', 'modules.csv'],
      { cwd: dir });
    assert.equal(cli.status, 0, String(cli.stderr));
    const dump = spawnSync(planViewDumpPath, ['result.csv', ...(assess ? ['--assess'] : [])],
      { cwd: dir, maxBuffer: 1 << 28 });
    assert.equal(dump.status, 0, String(dump.stderr));
    return JSON.parse(dump.stdout.toString());
  } finally {
    fs.rmSync(dir, { recursive: true, force: true });
  }
}

describe("the page's plan views are the viewer's model", () => {
  let core;
  before(async () => {
    core = await loadCore();
  });

  for (const [series, parallel, seed] of [[10, 6, 3], [12, 25, 4], [20, 50, 5]]) {
    it(`S ${series} P ${parallel}: the result's wiring, then both wirings assessed`, () => {
      const list = generatedList(series * parallel, seed);
      const planned = core.run(list, 'modules.csv', String(series), String(parallel), 'result', defaultConditions);
      assert.equal(planned.outcome, 'completed');
      const native = nativeViews(list, series, parallel, false);
      for (const by of ['ipm', 'vpm']) {
        assert.deepStrictEqual(viewJson(planned.plan_views.result[by]), native.result[by], `result by ${by}`);
      }

      const assessed = core.run(list, 'modules.csv', String(series), String(parallel), 'result',
        { ...assessConditions });
      assert.ok(assessed.assessment, String(assessed.assessment_problems));
      const nativeAssessed = nativeViews(list, series, parallel, true);
      for (const wiring of ['result', 'optimized']) {
        for (const by of ['ipm', 'vpm']) {
          const view = viewJson(assessed.assessment.plan_views[wiring][by]);
          assert.deepStrictEqual(view, nativeAssessed[wiring][by], `${wiring} by ${by}`);
        }
      }
      // The picture's colours are the viewer's: its blue or its orange in full at the widest deviation.
      const colours = viewJson(planned.plan_views.result.ipm).cells.map((c) => c.colour.join(','));
      assert.ok(colours.includes('33,102,172') || colours.includes('224,130,20'), 'full colour at the widest');
    });
  }
});
