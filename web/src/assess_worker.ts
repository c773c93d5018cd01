// The assessment (curve fits, optimiser, random wiring) runs in a Web Worker,
// so that the page stays responsive. The page is one file, so the worker is
// made from a Blob: the core's factory (its source holds the WebAssembly) and
// workerMain below. The worker repeats the run with the assessment switched on,
// exactly as voltrigg-cli --assess does; the planning run costs milliseconds.
import { coreFactory, type AssessProgress, type AssessmentValue, type Conditions, type OpenValue, type PageFile, type RunValue } from './core';

// What the assessment's first part gives before the optimiser runs.
export type FirstPart = Pick<AssessmentValue, 'sum_mpp_w' | 'initial' | 'estimated' | 'voltage_check' | 'inverter_window'>;

// A planning run repeated with the assessment, or a result opened again
// with its list and assessed, as the viewer assesses an opened result.
export type AssessRequest =
  | { kind: 'run'; list: Uint8Array; listName: string; series: string; parallel: string; output: string;
    conditions: Conditions }
  | { kind: 'open'; result: PageFile; list: PageFile; conditions: Conditions };

export type AssessReply = Pick<RunValue, 'outcome' | 'assessment' | 'assessment_problems'> &
  { error?: string; assessment_note?: string };

// Runs inside the worker; refers to nothing outside itself but the factory.
function workerMain(): void {
  const scope = self as unknown as {
    VoltriggCore: () => Promise<{ run: (...args: unknown[]) => RunValue; openResult: (...args: unknown[]) => OpenValue }>;
    onmessage: ((e: MessageEvent) => void) | null;
    postMessage: (m: unknown) => void;
  };
  const ready = scope.VoltriggCore();
  scope.onmessage = async (e: MessageEvent) => {
    const { id, request } = e.data as { id: number; request: AssessRequest };
    try {
      const core = await ready;
      // The first part's figures go to the page before the optimiser runs,
      // then how far the optimiser and random wiring have come.
      const firstPart = (partial: unknown) => scope.postMessage({ id, partial });
      const progress = (step: unknown) => scope.postMessage({ id, step });
      if (request.kind === 'open') {
        const o = core.openResult(request.result, request.list, { ...request.conditions, first_part: firstPart, progress });
        const refusal = o.result_error ?? o.condition_fault ?? o.inverter_fault;
        scope.postMessage({ id, reply: { outcome: o.outcome, assessment: o.assessment,
          assessment_problems: refusal ? [refusal] : undefined, assessment_note: o.assessment_note } });
        return;
      }
      const r = core.run(request.list, request.listName, request.series, request.parallel, request.output,
        { ...request.conditions, first_part: firstPart, progress });
      scope.postMessage({ id, reply: { outcome: r.outcome, assessment: r.assessment,
        assessment_problems: r.assessment_problems } });
    } catch (err) {
      scope.postMessage({ id, reply: { outcome: 'failed', error: String(err) } });
    }
  };
}

export class AssessWorker {
  private worker: Worker | null = null;
  private nextId = 1;
  private pending = new Map<number, (reply: AssessReply) => void>();
  private partials = new Map<number, (partial: FirstPart) => void>();
  private steps = new Map<number, (step: AssessProgress) => void>();

  // A newer request makes the older one's answer stale: the worker is ended
  // and made afresh, so an optimiser that is still busy never delays it.
  assess(request: AssessRequest, onFirstPart: (partial: FirstPart) => void,
    onProgress: (step: AssessProgress) => void = () => undefined): Promise<AssessReply> {
    this.cancel();
    let worker: Worker;
    try {
      worker = this.start();
    } catch (err) {
      // A browser that refuses a worker made from a Blob: the caller assesses
      // on the page's own thread instead.
      return Promise.resolve({ outcome: 'failed', error: `no worker: ${String(err)}` });
    }
    const id = this.nextId++;
    this.partials.set(id, onFirstPart);
    this.steps.set(id, onProgress);
    return new Promise((resolve) => {
      this.pending.set(id, resolve);
      worker.postMessage({ id, request });
    });
  }

  // The worker made ahead of the first assessment, so that loading the core
  // into it (parsing, compiling the WebAssembly) is done by the time a run
  // completes.
  warm(): void {
    try {
      this.start();
    } catch {
      // No worker: the first assessment finds out again and runs on the page.
    }
  }

  cancel(): void {
    if (this.worker && this.pending.size > 0) {
      this.worker.terminate();
      this.worker = null;
      for (const resolve of this.pending.values()) resolve({ outcome: 'failed', error: 'cancelled' });
      this.pending.clear();
      this.partials.clear();
      this.steps.clear();
    }
  }

  private start(): Worker {
    if (this.worker) return this.worker;
    const source = `var _scriptDir; var VoltriggCore = ${coreFactory().toString()};\n(${workerMain.toString()})();\n`;
    const url = URL.createObjectURL(new Blob([source], { type: 'text/javascript' }));
    const worker = new Worker(url);
    worker.onmessage = (e: MessageEvent) => {
      URL.revokeObjectURL(url); // loaded by now
      const { id, reply, partial, step } = e.data as
        { id: number; reply?: AssessReply; partial?: FirstPart; step?: AssessProgress };
      if (partial) {
        this.partials.get(id)?.(partial);
        return;
      }
      if (step) {
        this.steps.get(id)?.(step);
        return;
      }
      this.partials.delete(id);
      this.steps.delete(id);
      const resolve = this.pending.get(id);
      this.pending.delete(id);
      if (reply) resolve?.(reply);
    };
    worker.onerror = (e: ErrorEvent) => {
      for (const resolve of this.pending.values()) resolve({ outcome: 'failed', error: e.message });
      this.pending.clear();
    };
    this.worker = worker;
    return worker;
  }
}
