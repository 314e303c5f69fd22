// Runs web_peer_bench natively and as WebAssembly under Node, in alternating rounds so that
// both meet the same load on the machine, and prints each case's min and median beside its
// ratio (WebAssembly / native) and the ratio it should stay under.
//   node bench/web-vs-native.mjs NATIVE_PROGRAM WASM_PROGRAM.js [rounds]
import { execFileSync } from 'node:child_process';

const [native, wasm, roundsArg] = process.argv.slice(2);
const rounds = Number(roundsArg ?? 4);
const targets = { fill: 1.3, decode: 1.6 };

function run(command, args) {
  const cases = new Map();
  for (const line of execFileSync(command, [...args, '--samples=5'], { encoding: 'utf8' }).trim().split('\n')) {
    const fields = line.split(' ');
    const at = fields.findIndex((field) => /^[0-9.]+$/.test(field));
    cases.set(fields.slice(0, at).join(' '), fields.slice(at).map(Number));
  }
  return cases;
}

const samples = { native: new Map(), wasm: new Map() };
const add = (into, cases) => {
  for (const [name, values] of cases) into.set(name, [...(into.get(name) ?? []), ...values]);
};
for (let round = 0; round < rounds; round++) {
  add(samples.native, run(native, []));
  add(samples.wasm, run(process.execPath, ['--no-experimental-fetch', wasm]));
}

const min = (values) => Math.min(...values);
const median = (values) => {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = sorted.length >> 1;
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
};
const ms = (value) => value.toFixed(3).padStart(9);
console.log(`${'case'.padEnd(26)}${'native min'.padStart(11)}${'median'.padStart(10)}` +
            `${'wasm min'.padStart(11)}${'median'.padStart(10)}${'ratio min'.padStart(11)}` +
            `${'median'.padStart(8)}  target`);
let missed = 0;
for (const [name, nativeValues] of samples.native) {
  const wasmValues = samples.wasm.get(name);
  const ratioMin = min(wasmValues) / min(nativeValues);
  const ratioMedian = median(wasmValues) / median(nativeValues);
  const target = targets[name.split(' ')[0]];
  const met = ratioMin <= target;
  if (!met) missed++;
  console.log(`${name.padEnd(26)}${ms(min(nativeValues))}  ${ms(median(nativeValues))}` +
              `${ms(min(wasmValues))}  ${ms(median(wasmValues))}${ratioMin.toFixed(2).padStart(11)}` +
              `${ratioMedian.toFixed(2).padStart(8)}  <= ${target}${met ? '' : '  missed'}`);
}
console.log(`milliseconds per run, ${rounds} rounds of 5 samples each; ratios are WebAssembly / native`);
