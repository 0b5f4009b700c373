// A Float32Array that grows as values are appended.
export class GrowableFloats {
  constructor(capacity = 1024) {
    this.values = new Float32Array(capacity);
    this.length = 0;
  }

  reserve(extra) {
    if (this.length + extra <= this.values.length) return;
    let capacity = this.values.length * 2;
    while (capacity < this.length + extra) capacity *= 2;
    const grown = new Float32Array(capacity);
    grown.set(this.values.subarray(0, this.length));
    this.values = grown;
  }

  push4(a, b, c, d) {
    this.reserve(4);
    const v = this.values;
    v[this.length++] = a; v[this.length++] = b; v[this.length++] = c; v[this.length++] = d;
  }

  get bytes() {
    return this.values.byteLength;
  }

  toArray() {
    return this.values.slice(0, this.length);
  }
}
