// Opaque 8-bit RGB PNG, as the Preview store's readers expect.
import pngjs from 'pngjs';

export function encodePng(rgb, width, height) {
  return pngjs.PNG.sync.write({ width, height, data: Buffer.from(rgb.buffer, rgb.byteOffset, rgb.byteLength) },
    { colorType: 2, inputColorType: 2, inputHasAlpha: false });
}
