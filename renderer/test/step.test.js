import assert from 'node:assert/strict';
import { test } from 'node:test';
import { stepFault } from '../src/step.js';

test('only a whole STEP file is worth opening', () => {
  const whole = 'ISO-10303-21;\nHEADER;\nENDSEC;\nDATA;\nENDSEC;\nEND-ISO-10303-21;';
  const cases = [
    ['', 'empty file'],
    [whole, null],
    [`${whole}\r\n\r\n`, null],
    [`\ufeff  ${whole}`, null],
    [`${whole}\n/* added by a tool */\n/* and another */ `, null],
    [`${whole.slice(0, -5)}/* cut here */`, 'truncated (no END-ISO-10303-21; at its end)'],
    ['ISO-10303-21;\n/* END-ISO-10303-21; */', 'truncated (no END-ISO-10303-21; at its end)'],
    [whole.slice(0, -1), 'truncated (no END-ISO-10303-21; at its end)'],
    [whole.slice(0, 40), 'truncated (no END-ISO-10303-21; at its end)'],
    ['ISO-10303-21;', 'truncated (no END-ISO-10303-21; at its end)'],
    ['PK\u0003\u0004 zipped model END-ISO-10303-21;', 'not an IFC file (no ISO-10303-21 header)'],
    ['<?xml version="1.0"?><ifcXML/>', 'not an IFC file (no ISO-10303-21 header)'],
  ];
  for (const [text, expected] of cases) assert.equal(stepFault(Buffer.from(text)), expected, JSON.stringify(text.slice(0, 30)));
});
