// The string chart (each string's Σ Vpm and current against their means) and
// the array's I-V and P-V curves with the maximum power point marked.
import uPlot from 'uplot';

import type { AssessmentValue } from './core';
import { stringCurrentA, type PlanView } from './plan';

let stringPlot: uPlot | null = null;
let curvePlot: uPlot | null = null;

function widthOf(host: HTMLElement): number {
  return Math.max(320, Math.min(host.clientWidth || 800, 1000));
}

export function drawCharts(stringHost: HTMLElement, curveHost: HTMLElement, view: PlanView,
  assessment: AssessmentValue | undefined, optimized: boolean): void {
  stringPlot?.destroy();
  curvePlot?.destroy();
  stringPlot = null;
  curvePlot = null;

  const numbers = view.strings.map((s) => s.string_no);
  const voltages = view.strings.map((s) => s.vpm_sum_v);
  const currents = view.strings.map(stringCurrentA);
  stringPlot = new uPlot({
    width: widthOf(stringHost),
    height: 260,
    scales: { x: { time: false }, v: {}, a: {} },
    axes: [
      { label: 'ストリング', incrs: [1, 2, 5, 10, 20, 50] },
      { scale: 'v', label: 'Σ Vpm [V]' },
      { scale: 'a', label: '電流 [A]', side: 1, grid: { show: false } },
    ],
    series: [
      {},
      { label: 'Σ Vpm [V]', scale: 'v', stroke: '#3b6fd8', points: { show: true, size: 6 } },
      { label: '平均 [V]', scale: 'v', stroke: '#3b6fd8', dash: [6, 4], points: { show: false } },
      { label: '電流 [A]', scale: 'a', stroke: '#e07b14', points: { show: true, size: 6 } },
      { label: '平均 [A]', scale: 'a', stroke: '#e07b14', dash: [6, 4], points: { show: false } },
    ],
  }, [numbers, voltages, voltages.map(() => view.mean_string_voltage_v), currents,
    currents.map(() => view.mean_string_current_a)], stringHost);

  if (!assessment) {
    curveHost.textContent = '評価が終わると I-V・P-V 曲線を表示します';
    return;
  }
  curveHost.textContent = '';
  const arrangement = optimized ? assessment.optimized : assessment.estimated;
  const curve = arrangement.curve;
  const volts = curve.map((p) => p[0]);
  // The maximum power point as a series of its own, drawn as a point only.
  const mpp = volts.map(() => null as number | null);
  let nearest = 0;
  volts.forEach((v, k) => {
    if (Math.abs(v - arrangement.vmp_v) < Math.abs(volts[nearest] - arrangement.vmp_v)) nearest = k;
  });
  mpp[nearest] = arrangement.pmp_w;
  curvePlot = new uPlot({
    width: widthOf(curveHost),
    height: 300,
    scales: { x: { time: false }, a: {}, w: {} },
    axes: [
      { label: '電圧 [V]' },
      { scale: 'a', label: '電流 [A]' },
      { scale: 'w', label: '電力 [W]', side: 1, grid: { show: false } },
    ],
    series: [
      {},
      { label: 'I-V [A]', scale: 'a', stroke: '#3b6fd8', points: { show: false } },
      { label: 'P-V [W]', scale: 'w', stroke: '#e07b14', points: { show: false } },
      { label: `最大電力点 ${arrangement.pmp_w.toFixed(1)} W`, scale: 'w', stroke: '#c00000',
        points: { show: true, size: 9, fill: '#c00000' }, paths: () => null },
    ],
  }, [volts, curve.map((p) => p[1]), curve.map((p) => p[2]), mpp], curveHost);
}
