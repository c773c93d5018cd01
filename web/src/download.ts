// Bytes saved as a file the browser downloads under `name`, as they are.
export function download(bytes: Uint8Array, name: string, type: string): void {
  const url = URL.createObjectURL(new Blob([bytes as Uint8Array<ArrayBuffer>], { type }));
  const a = document.createElement('a');
  a.href = url;
  a.download = name;
  document.body.append(a);
  a.click();
  a.remove();
  // Some browsers read the object URL after click() returns.
  setTimeout(() => URL.revokeObjectURL(url), 60000);
}
