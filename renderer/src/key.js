// The Preview key of a file's content, as the DLLs compute it: MD5 of the
// bytes followed by the salt, one hexadecimal digit per digest byte taken
// from its low four bits.
import { createHash } from 'node:crypto';
import { createReadStream } from 'node:fs';

const CHUNK_SIZE = 1024 * 1024;
const SALT = Buffer.from('Tor Wendal', 'ascii');
const DIGITS = '0123456789abcdef';

export function keyFromDigest(digest) {
  let key = '';
  for (const byte of digest) key += DIGITS[byte & 0x0f];
  return key;
}

function finish(hash) {
  hash.update(SALT);
  return keyFromDigest(hash.digest());
}

// Streams the file in 1 MiB chunks: memory stays bounded whatever its size.
export async function previewKeyOfFile(path) {
  const hash = createHash('md5');
  for await (const chunk of createReadStream(path, { highWaterMark: CHUNK_SIZE })) hash.update(chunk);
  return finish(hash);
}

// The key of bytes already in memory (a worker's check of what it read).
export function previewKeyOfBytes(bytes) {
  return finish(createHash('md5').update(bytes));
}
