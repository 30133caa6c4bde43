// Runs tsc on a checked fixture and passes only when tsc fails with errors on exactly the lines
// marked "rejected" (a mark on a comment line of its own stands for the next line).
// Usage: node expect-rejected.mjs TSC FIXTURE_FOLDER
import { spawnSync } from 'node:child_process';
import { readFileSync } from 'node:fs';
import path from 'node:path';

const [tsc, folder] = process.argv.slice(2);
const source = path.join(folder, 'calls.js');
const expected = new Set();
readFileSync(source, 'utf8').split('\n').forEach((line, index) => {
    if (!/\/\/ rejected\b/.test(line))
        return;
    expected.add(line.trim().startsWith('//') ? index + 2 : index + 1);
});

const run = spawnSync(tsc, ['--noEmit', '--pretty', 'false', '-p', path.join(folder, 'jsconfig.json')], { encoding: 'utf8' });
if (run.error) {
    console.error(`cannot run ${tsc}: ${run.error.message}`);
    process.exit(1);
}
const output = run.stdout + run.stderr;
const reported = new Set();
for (const match of output.matchAll(/calls\.js\((\d+),\d+\): error/g))
    reported.add(Number(match[1]));
const missed = [...expected].filter((line) => !reported.has(line));
const extra = [...reported].filter((line) => !expected.has(line));
const others = output.split('\n').filter((line) => / error TS/.test(line) && !/calls\.js\(/.test(line));

console.log(output.trim());
if (run.status === 0 || missed.length || extra.length || others.length) {
    console.error(`tsc exit status ${run.status}; lines not rejected: [${missed}]; lines rejected unexpectedly: [${extra}]` +
                  (others.length ? `; errors elsewhere: ${others.length}` : ''));
    process.exit(1);
}
console.log(`tsc rejected the ${expected.size} wrong calls and nothing else`);
