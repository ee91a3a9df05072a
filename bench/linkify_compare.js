// The link side of the data detector comparison: reads texts (one per line) from the file
// named first, finds links with linkify-it (fuzzy links and e-mail on), prints each
// match as "LINE<TAB>START<TAB>END" in UTF-16 units, then a line "time SECONDS" with the
// median over REPS runs of the whole list, line by line.
// Usage: node linkify_compare.js TEXTS [REPS], with NODE_PATH naming a node_modules folder that
// holds linkify-it (`npm install linkify-it` in any folder outside the sources).
'use strict';
const fs = require('fs');
const linkifyModule = require('linkify-it');
const LinkifyIt = linkifyModule.LinkifyIt || linkifyModule.default || linkifyModule;

const texts = fs.readFileSync(process.argv[2], 'utf8').split('\n');
if (texts.length && texts[texts.length - 1] === '') texts.pop();
const reps = Number(process.argv[3] || 7);
const linkify = new LinkifyIt({fuzzyLink: true, fuzzyEmail: true, fuzzyIP: false});

const out = [];
texts.forEach((text, line) => {
  for (const m of linkify.match(text) || []) out.push(`${line}\t${m.index}\t${m.lastIndex}`);
});
// Warm the engine, then time whole passes.
let sink = 0;
for (let r = 0; r < 3; ++r) for (const t of texts) sink += (linkify.match(t) || []).length;
const times = [];
for (let r = 0; r < reps; ++r) {
  const start = process.hrtime.bigint();
  for (const t of texts) sink += (linkify.match(t) || []).length;
  times.push(Number(process.hrtime.bigint() - start) / 1e9);
}
times.sort((a, b) => a - b);
out.push(`time ${times[Math.floor(times.length / 2)]}`);
out.push(`sink ${sink}`);
process.stdout.write(out.join('\n') + '\n');
