// Plant planning runs in a Web Worker of its own, as the assessment does
// (assess_worker.ts), so that the page stays responsive on a lot of many
// thousand modules and shows how far planning has got. The worker keeps the
// register of its last plan for the serial search.
import { coreFactory, type PageFile } from './core';
import type { PlantCore, PlantOptions, PlantPlace, PlantValue } from './plant_core';

export type PlantRequest =
  | { kind: 'plan'; lists: PageFile[]; layout: PageFile; options: PlantOptions }
  | { kind: 'find'; serial: string };

export interface PlantStep {
  stage: number; // 0 reading ... 4 writing
  text: string;
}

// Runs inside the worker; refers to nothing outside itself but the factory.
function plantWorkerMain(): void {
  const scope = self as unknown as {
    VoltriggCore: () => Promise<PlantCore>;
    onmessage: ((e: MessageEvent) => void) | null;
    postMessage: (m: unknown) => void;
  };
  const ready = scope.VoltriggCore();
  scope.onmessage = async (e: MessageEvent) => {
    const { id, request } = e.data as { id: number; request: PlantRequest };
    try {
      const core = await ready;
      if (request.kind === 'find') {
        scope.postMessage({ id, reply: core.findPlantSerial(request.serial, 'ja') });
        return;
      }
      const progress = (stage: number, text: string) => scope.postMessage({ id, step: { stage, text } });
      const started = performance.now();
      const value = core.planPlant(request.lists, request.layout, { ...request.options, language: 'ja', progress });
      scope.postMessage({ id, reply: { ...value, plan_ms: performance.now() - started } });
    } catch (err) {
      scope.postMessage({ id, error: String(err) });
    }
  };
}

export type PlantReply = PlantValue & { plan_ms: number };

export class PlantWorker {
  private worker: Worker | null = null;
  private nextId = 1;
  private pending = new Map<number, { resolve: (r: unknown) => void; reject: (e: Error) => void }>();
  private steps = new Map<number, (step: PlantStep) => void>();

  // A newer plan makes an older one stale: the worker still busy with it is
  // ended and made afresh.
  plan(lists: PageFile[], layout: PageFile, options: PlantOptions,
    onStep: (step: PlantStep) => void): Promise<PlantReply> {
    this.cancel();
    return this.ask({ kind: 'plan', lists, layout, options }, onStep) as Promise<PlantReply>;
  }

  find(serial: string): Promise<PlantPlace> {
    return this.ask({ kind: 'find', serial }) as Promise<PlantPlace>;
  }

  cancel(): void {
    if (this.worker && this.pending.size > 0) {
      this.worker.terminate();
      this.worker = null;
      for (const p of this.pending.values()) p.reject(new Error('cancelled'));
      this.pending.clear();
      this.steps.clear();
    }
  }

  private ask(request: PlantRequest, onStep?: (step: PlantStep) => void): Promise<unknown> {
    let worker: Worker;
    try {
      worker = this.start();
    } catch (err) {
      return Promise.reject(new Error(`no worker: ${String(err)}`));
    }
    const id = this.nextId++;
    if (onStep) this.steps.set(id, onStep);
    return new Promise((resolve, reject) => {
      this.pending.set(id, { resolve, reject });
      worker.postMessage({ id, request });
    });
  }

  private start(): Worker {
    if (this.worker) return this.worker;
    const source = `var _scriptDir; var VoltriggCore = ${coreFactory().toString()};\n(${plantWorkerMain.toString()})();\n`;
    const url = URL.createObjectURL(new Blob([source], { type: 'text/javascript' }));
    const worker = new Worker(url);
    worker.onmessage = (e: MessageEvent) => {
      URL.revokeObjectURL(url); // loaded by now
      const { id, reply, step, error } = e.data as { id: number; reply?: unknown; step?: PlantStep; error?: string };
      if (step) {
        this.steps.get(id)?.(step);
        return;
      }
      const p = this.pending.get(id);
      this.pending.delete(id);
      this.steps.delete(id);
      if (error !== undefined) {
        // The core gave out (memory, most likely): the next request gets a fresh worker.
        worker.terminate();
        if (this.worker === worker) this.worker = null;
        p?.reject(new Error(error));
      } else {
        p?.resolve(reply);
      }
    };
    worker.onerror = (e: ErrorEvent) => {
      for (const p of this.pending.values()) p.reject(new Error(e.message));
      this.pending.clear();
      // A worker that failed is not asked again: the next request makes a new one.
      this.worker = null;
    };
    this.worker = worker;
    return worker;
  }
}
