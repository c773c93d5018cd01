// The string chart (each string's Σ Vpm and current against their means) and
// the array's I-V and P-V curves with the maximum power point marked.
import uPlot from 'uplot';

import type { AssessmentValue, InverterWindowValue } from './core';
import type { PlanView } from './plan';

let stringPlot: uPlot | null = null;
let curvePlot: uPlot | null = null;
let windowPlot: uPlot | null = null;

function widthOf(host: HTMLElement): number {
  return Math.max(240, Math.min(host.clientWidth || 800, 1000));
}

// The legend's values: a number with its places, nothing where the cursor is not.
const valueWith = (decimals: number) => (_u: uPlot, v: number | null) =>
  v === null || v === undefined || !Number.isFinite(v) ? '' : v.toFixed(decimals);

export function drawCharts(stringHost: HTMLElement, curveHost: HTMLElement, view: PlanView,
  assessment: AssessmentValue | undefined, optimized: boolean): void {
  stringPlot?.destroy();
  curvePlot?.destroy();
  stringPlot = null;
  curvePlot = null;

  const numbers = view.strings.map((s) => s.string_no);
  const voltages = view.strings.map((s) => s.vpm_sum_v);
  const currents = view.strings.map((s) => s.current_a);
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
      { label: 'ストリング', value: valueWith(0) },
      { label: 'Σ Vpm [V]', scale: 'v', stroke: '#3b6fd8', points: { show: true, size: 6 }, value: valueWith(2) },
      { label: '平均 [V]', scale: 'v', stroke: '#3b6fd8', dash: [6, 4], points: { show: false }, value: valueWith(2) },
      { label: '電流 [A]', scale: 'a', stroke: '#e07b14', points: { show: true, size: 6 }, value: valueWith(3) },
      { label: '平均 [A]', scale: 'a', stroke: '#e07b14', dash: [6, 4], points: { show: false }, value: valueWith(3) },
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
      { label: '電圧 [V]', value: valueWith(1) },
      { label: '電流 I-V [A]', scale: 'a', stroke: '#3b6fd8', points: { show: false }, value: valueWith(3) },
      { label: '電力 P-V [W]', scale: 'w', stroke: '#e07b14', points: { show: false }, value: valueWith(1) },
      { label: `最大電力点 ${arrangement.pmp_w.toFixed(1)} W`, scale: 'w', stroke: '#c00000',
        points: { show: true, size: 9, fill: '#c00000' }, paths: () => null, value: valueWith(1) },
    ],
  }, [volts, curve.map((p) => p[1]), curve.map((p) => p[2]), mpp], curveHost);
}

const kWindowColours = ['#3b6fd8', '#404040', '#d8452b']; // cold operating, 25 °C, hot

// The array's P-V curves at the cold operating temperature, 25 °C and the hot
// one, with the MPPT window shaded and the voltage limit marked, as the viewer
// draws them.
export function drawWindowChart(host: HTMLElement, w: InverterWindowValue | undefined): void {
  windowPlot?.destroy();
  windowPlot = null;
  host.textContent = '';
  if (!w) return;
  // One voltage axis for all three: each curve's samples at its own voltages.
  const voltages = [...new Set(w.curves.flatMap((c) => [...c.voltage_v]))].sort((a, b) => a - b);
  const series = w.curves.map((c) => {
    const at = new Map<number, number>();
    c.voltage_v.forEach((v, k) => at.set(v, c.power_w[k]));
    return voltages.map((v) => at.get(v) ?? null);
  });
  const highest = Math.max(voltages[voltages.length - 1] ?? 0, w.voltage_limit_v ?? 0, w.mppt_max_v ?? 0);
  const shade = (u: uPlot) => {
    const ctx = u.ctx;
    const { top, height } = u.bbox;
    ctx.save();
    if (w.mppt_min_v !== null || w.mppt_max_v !== null) {
      const x0 = u.valToPos(w.mppt_min_v ?? 0, 'x', true);
      const x1 = u.valToPos(w.mppt_max_v ?? highest, 'x', true);
      ctx.fillStyle = 'rgba(60, 170, 90, 0.16)';
      ctx.fillRect(x0, top, x1 - x0, height);
    }
    if (w.voltage_limit_v !== null) {
      const x = u.valToPos(w.voltage_limit_v, 'x', true);
      ctx.strokeStyle = '#c00000';
      ctx.lineWidth = 2 * devicePixelRatio;
      ctx.setLineDash([8 * devicePixelRatio, 5 * devicePixelRatio]);
      ctx.beginPath();
      ctx.moveTo(x, top);
      ctx.lineTo(x, top + height);
      ctx.stroke();
    }
    ctx.restore();
  };
  const mppt = w.mppt_min_v !== null || w.mppt_max_v !== null
    ? `MPPT 範囲 ${w.mppt_min_v ?? 0}–${w.mppt_max_v ?? '…'} V (緑)` : 'MPPT 範囲なし';
  const limit = w.voltage_limit_v !== null ? `、電圧上限 ${w.voltage_limit_v} V (赤の破線)` : '';
  const caption = Object.assign(document.createElement('p'), { className: 'chart-note', textContent: mppt + limit });
  const plotHost = document.createElement('div');
  host.append(plotHost, caption);
  windowPlot = new uPlot({
    width: widthOf(host),
    height: 300,
    scales: { x: { time: false, range: [0, highest * 1.04 || 1] }, w: { range: (_u, _min, max) => [0, max * 1.05 || 1] } },
    axes: [{ label: '電圧 [V]' }, { scale: 'w', label: '電力 [W]', size: 70 }],
    series: [
      { label: '電圧 [V]' },
      ...w.curves.map((c, k) => ({ label: `${c.temperature_c} °C の電力 [W]`, scale: 'w', stroke: kWindowColours[k] ?? '#888',
        width: 2, spanGaps: true, points: { show: false } })),
    ],
    legend: { live: false },
    hooks: { drawAxes: [shade] },
  }, [voltages, ...series], plotHost);
}
