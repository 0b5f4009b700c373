// The picture's pixels from the drawn samples, in one pass over them: each
// sample's colour comes from the palette, plain or under a line; each
// factor x factor block of samples is averaged.

// surface: the palette entry of each sample, less one (-1: the background);
// palette: 6 bytes per entry, its colour plain then under a line; mask: where
// lines start (edges.js), each widened by one sample to the right and down.
export function resolvePicture({ width, height, factor, surface, palette, mask }) {
  const sampleWidth = width * factor;
  const out = new Uint8Array(width * height * 3);
  const sums = new Uint32Array(3 * width);
  const count = factor * factor;
  for (let row = 0; row < height; row++) {
    sums.fill(0);
    for (let sy = 0; sy < factor; sy++) {
      const rowStart = (row * factor + sy) * sampleWidth;
      const hasAbove = rowStart > 0;
      let left = 0;  // the mask of the sample to the left
      for (let column = 0, p = rowStart, o = 0; column < width; column++, o += 3) {
        let r = 0, g = 0, b = 0;
        for (let sx = 0; sx < factor; sx++, p++) {
          const here = mask[p];
          const line = here | left | (hasAbove ? mask[p - sampleWidth] : 0);
          left = here;
          const c = 6 * (surface[p] + 1) + (line === 0 ? 0 : 3);
          r += palette[c];
          g += palette[c + 1];
          b += palette[c + 2];
        }
        sums[o] += r;
        sums[o + 1] += g;
        sums[o + 2] += b;
      }
    }
    const rowOut = row * width * 3;
    for (let i = 0; i < sums.length; i++) out[rowOut + i] = Math.round(sums[i] / count);
  }
  return out;
}
