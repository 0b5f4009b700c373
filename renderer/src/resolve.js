// The picture's pixels from the drawn samples, in one pass over them: each
// sample's colour comes from the palette, plain or under a line, and each
// factor x factor block of samples is averaged.

// A colour as one number, 12 bits per channel, so that the sum of up to 16
// colours adds all three channels at once.
const G = 4096, B = 4096 * 4096;
export const pack = (r, g, b) => r + g * G + b * B;
// Without %, which is slow on such numbers.
export const channel = (packed, c) => {
  const unit = c === 0 ? 1 : c === 1 ? G : B;
  return Math.floor(packed / unit) - Math.floor(packed / (unit * G)) * G;
};

// surface: the palette entry of each sample, less one (-1: the background);
// palette: 2 packed colours per entry, plain then under a line; mask: 1 where
// a line runs (edges.js); region: the pixels (inclusive) outside which every
// sample shows the background, so that only the model's part of the grid is
// read.
export function resolvePicture({ width, height, factor, surface, palette, mask,
  region = { left: 0, top: 0, right: width - 1, bottom: height - 1 } }) {
  const sampleWidth = width * factor;
  const out = new Uint8Array(width * height * 3);
  for (let c = 0; c < 3; c++) out[c] = channel(palette[0], c);
  for (let filled = 3; filled < out.length; filled *= 2) out.copyWithin(filled, 0, filled);
  const { left, top, right, bottom } = region;
  const sums = new Float64Array(width);
  const count = factor * factor;
  for (let row = top; row <= bottom; row++) {
    sums.fill(0);
    for (let line = row * factor, end = line + factor; line < end; line++) {
      for (let column = left, p = line * sampleWidth + left * factor; column <= right; column++) {
        let sum = 0;
        for (let last = p + factor; p < last; p++) sum += palette[2 * surface[p] + 2 + mask[p]];
        sums[column] += sum;
      }
    }
    for (let column = left, o = (row * width + left) * 3; column <= right; column++, o += 3) {
      const sum = sums[column];
      out[o] = Math.round(channel(sum, 0) / count);
      out[o + 1] = Math.round(channel(sum, 1) / count);
      out[o + 2] = Math.round(channel(sum, 2) / count);
    }
  }
  return out;
}
