// What the bytes of a file must show before web-ifc is asked to open it: a
// STEP physical file that starts with its header and ends with its end
// marker, so that a cut-off model is never drawn as if it were whole.
const HEADER = Buffer.from('ISO-10303-21;', 'ascii');
const END = Buffer.from('END-ISO-10303-21;', 'ascii');
const BOM = Buffer.from([0xef, 0xbb, 0xbf]);
const COMMENT_OPEN = Buffer.from('/*', 'ascii');
const COMMENT_CLOSE = Buffer.from('*/', 'ascii');

const isSpace = (byte) => byte === 0x20 || byte === 0x09 || byte === 0x0a || byte === 0x0d || byte === 0x1a;

// Returns null for a file worth opening, or the reason it is not.
export function stepFault(bytes) {
  if (bytes.length === 0) return 'empty file';
  let start = bytes.subarray(0, BOM.length).equals(BOM) ? BOM.length : 0;
  while (start < bytes.length && isSpace(bytes[start])) start++;
  if (!bytes.subarray(start, start + HEADER.length).equals(HEADER)) return 'not an IFC file (no ISO-10303-21 header)';
  // Whitespace and comments may follow the end marker.
  let end = bytes.length;
  for (;;) {
    while (end > start && isSpace(bytes[end - 1])) end--;
    if (!bytes.subarray(end - 2, end).equals(COMMENT_CLOSE)) break;
    const open = bytes.subarray(0, end - 2).lastIndexOf(COMMENT_OPEN);
    if (open < start) break;
    end = open;
  }
  if (!bytes.subarray(end - END.length, end).equals(END)) return 'truncated (no END-ISO-10303-21; at its end)';
  return null;
}
