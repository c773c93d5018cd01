// A module's code scanned by the camera into the serial search, where the
// browser offers a barcode detector (feature-detected: elsewhere the button
// stays hidden and a scanner that types, ending with Enter, is the way).

interface DetectedCode {
  rawValue: string;
}
interface Detector {
  detect(source: HTMLVideoElement): Promise<DetectedCode[]>;
}
type DetectorClass = new (options?: { formats?: string[] }) => Detector;

const $ = <T extends HTMLElement>(id: string) => document.getElementById(id) as T;

function detectorClass(): DetectorClass | null {
  const found = (globalThis as unknown as { BarcodeDetector?: DetectorClass }).BarcodeDetector;
  return typeof found === 'function' && typeof navigator.mediaDevices?.getUserMedia === 'function' ? found : null;
}

let stream: MediaStream | null = null;
let scanning = false;

function stop(): void {
  scanning = false;
  stream?.getTracks().forEach((t) => t.stop());
  stream = null;
  const video = $<HTMLVideoElement>('scanner-video');
  video.srcObject = null;
  $('scanner').hidden = true;
}

// Shows the camera until a code is read (handed to `found`) or the user stops.
async function scan(found: (code: string) => void): Promise<void> {
  const Detector = detectorClass();
  if (!Detector) return;
  const text = $('scanner-text');
  $('scanner').hidden = false;
  text.textContent = 'モジュールのバーコードをカメラに向けてください';
  let detector: Detector;
  try {
    detector = new Detector();
    stream = await navigator.mediaDevices.getUserMedia({ video: { facingMode: 'environment' }, audio: false });
  } catch (err) {
    text.textContent = `カメラを使えません: ${String(err)}`;
    return;
  }
  const video = $<HTMLVideoElement>('scanner-video');
  video.srcObject = stream;
  // Not awaited: a camera that gives no frame must not hold the page.
  void video.play().catch(() => undefined);
  scanning = true;
  while (scanning) {
    try {
      const codes = await detector.detect(video);
      const code = codes.find((c) => c.rawValue.trim() !== '');
      if (code) {
        stop();
        found(code.rawValue.trim());
        return;
      }
    } catch {
      // A frame the detector cannot read: the next one.
    }
    await new Promise((resolve) => setTimeout(resolve, 150));
  }
}

export function wireScanner(found: (code: string) => void): void {
  const button = $<HTMLButtonElement>('scan');
  button.hidden = detectorClass() === null;
  button.addEventListener('click', () => void scan(found));
  $('scanner-stop').addEventListener('click', stop);
}
