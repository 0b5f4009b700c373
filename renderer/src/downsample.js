// Averages each factor x factor block of samples into one RGB pixel.
export function downsample(samples, width, height, factor) {
  const sampleWidth = width * factor;
  const out = new Uint8Array(width * height * 3);
  const count = factor * factor;
  for (let row = 0; row < height; row++) {
    for (let column = 0; column < width; column++) {
      let r = 0, g = 0, b = 0;
      for (let sy = 0; sy < factor; sy++) {
        let s = ((row * factor + sy) * sampleWidth + column * factor) * 3;
        for (let sx = 0; sx < factor; sx++, s += 3) {
          r += samples[s];
          g += samples[s + 1];
          b += samples[s + 2];
        }
      }
      const o = (row * width + column) * 3;
      out[o] = Math.round(r / count);
      out[o + 1] = Math.round(g / count);
      out[o + 2] = Math.round(b / count);
    }
  }
  return out;
}
