// bench/run's driver: starts the demonstration site (bench_site), runs the program's side
// (bench_engine) and the scripted browser (flow_playwright.mjs) alternately over the same page flow,
// checks each run against the site's own record before printing any of its figures, then the sizes
// and the start-up, and last the targets.
//
//   node run.mjs --build DIR [--rounds N] [--sizes 10,100,1000] [--size-repeats N] [--startups N] A M
import { spawn, execFileSync } from 'node:child_process';
import { createInterface } from 'node:readline';
import { copyFileSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { cpus, loadavg, tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { median, percentile, slope, treeRss, verify as problemsOf, windowMedian } from './benchlib.mjs';

const here = dirname(fileURLToPath(import.meta.url));

// ---- arguments
const opts = { rounds: 5, sizes: [10, 100, 1000], sizeRepeats: 3, startups: 7, build: join(here, '..', 'build-bench'), sampleMs: 200 };
const positional = [];
for (let i = 2; i < process.argv.length; i++) {
  const a = process.argv[i];
  const value = () => process.argv[++i];
  if (a === '--build') opts.build = value();
  else if (a === '--rounds') opts.rounds = parseInt(value(), 10);
  else if (a === '--sizes') opts.sizes = value().split(',').filter(Boolean).map(Number);
  else if (a === '--size-repeats') opts.sizeRepeats = parseInt(value(), 10);
  else if (a === '--startups') opts.startups = parseInt(value(), 10);
  else if (a === '--sample-ms') opts.sampleMs = parseInt(value(), 10);
  else positional.push(a);
}
const A = parseInt(positional[0] ?? '2', 10);
const M = parseInt(positional[1] ?? '50', 10);
const SIZE_ACCOUNTS = 2;
const benchDir = join(opts.build, 'bench');
const benchEngine = join(benchDir, 'bench_engine');
const benchSite = join(benchDir, 'bench_site');
const deliveredStore = join(opts.build, 'bin', 'tvx.cfg');

// ---- small helpers
const nowNs = () => process.hrtime.bigint();
const MB = 1024 * 1024;

const f = (x, digits = 2) => (Number.isFinite(x) ? x.toFixed(digits) : 'n/a');
const load = () => loadavg().map((x) => x.toFixed(2)).join(' ');
function fail(message) {
  console.error(`bench/run: ${message}`);
  process.exit(1);
}

// A child process read line by line.
class Child {
  constructor(command, args, env = process.env) {
    this.startNs = nowNs();
    this.proc = spawn(command, args, { stdio: ['pipe', 'pipe', 'pipe'], env });
    this.lines = [];
    this.waiters = [];
    this.stderr = [];
    this.onLine = null;
    createInterface({ input: this.proc.stdout }).on('line', (line) => {
      if (this.onLine) this.onLine(line);
      const w = this.waiters.findIndex((x) => x.test(line));
      if (w >= 0) this.waiters.splice(w, 1)[0].resolve(line);
      else this.lines.push(line);
    });
    createInterface({ input: this.proc.stderr }).on('line', (line) => {
      this.stderr.push(line);
      if (this.stderr.length > 40) this.stderr.shift();
    });
    this.exited = new Promise((resolve) => this.proc.on('exit', (code, signal) => resolve(code ?? signal)));
  }
  // The next line that `test` accepts (also one that came already and was not taken).
  next(test, timeoutMs = 600000) {
    const i = this.lines.findIndex(test);
    if (i >= 0) return Promise.resolve(this.lines.splice(i, 1)[0]);
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => reject(new Error(`no answer in ${timeoutMs / 1000} s; stderr:\n${this.stderr.join('\n')}`)), timeoutMs);
      const waiter = { test, resolve: (line) => { clearTimeout(timer); resolve(line); } };
      this.waiters.push(waiter);
      this.exited.then((code) => {
        if (this.waiters.includes(waiter)) {
          clearTimeout(timer);
          reject(new Error(`exited (${code}) before answering; stderr:\n${this.stderr.join('\n')}`));
        }
      });
    });
  }
  send(text) {
    this.proc.stdin.write(`${text}\n`);
  }
}

// ---- the site
const site = new Child(benchSite, []);
const base = (await site.next((l) => l.startsWith('ready '), 20000)).split(' ')[1];
let siteQueue = Promise.resolve();
function siteCommand(command) {
  // One command at a time; each answers with one line.
  const answer = siteQueue.then(() => {
    const reply = site.next(() => true, 20000);
    site.send(command);
    return reply;
  });
  siteQueue = answer.catch(() => {});
  return answer;
}

// ---- one run of one side
async function runSide(kind, accounts, bookmarks, milestones = []) {
  const child =
    kind === 'ours'
      ? new Child(benchEngine, ['run', base, String(accounts), String(bookmarks)])
      : new Child(process.execPath, [join(here, 'flow_playwright.mjs'), base, String(accounts), String(bookmarks)]);
  await child.next((l) => l === 'ready', 120000);
  await siteCommand('reset');
  const before = JSON.parse(await siteCommand('stats'));
  const pid = child.proc.pid;
  let progress = 0;
  let peak = treeRss(pid);
  const atMilestone = {};
  // Halfway through, the proportional set size as well: shared pages counted once, not per process.
  const half = Math.ceil((accounts * bookmarks) / 2);
  let halfway = null;
  const samples = []; // [bookmarks done, RSS of the tree, RSS of the root process]
  const sample = () => {
    const s = treeRss(pid);
    samples.push([progress, s.rss, s.rootRss]);
    if (s.rss > peak.rss) peak = s;
    return s;
  };
  child.onLine = (line) => {
    if (!line.startsWith('progress ')) return;
    progress = parseInt(line.slice(9), 10);
    if (milestones.includes(progress)) atMilestone[progress] = sample().rss;
    if (progress === half) halfway = treeRss(pid, true);
  };
  const sampler = setInterval(sample, opts.sampleMs);
  child.send('go');
  const resultLine = await child.next((l) => l.startsWith('result '), Math.max(600000, accounts * bookmarks * 5000));
  clearInterval(sampler);
  const result = JSON.parse(resultLine.slice(7));
  const code = await child.exited;
  const after = JSON.parse(await siteCommand('stats'));
  return {
    kind,
    accounts,
    bookmarks,
    result,
    exitCode: code,
    // Every HTML page the site served during the run: the GETs it counts, and one page answered to
    // each login and each submission it recorded.
    sitePages: after.pagesServed - before.pagesServed + after.logins.length + after.submissions.length,
    record: after,
    peakRss: peak.rss,
    peakProcesses: peak.processes,
    halfway,
    atMilestone,
    samples,
  };
}

// A run's figures are used only when the site's record shows that it did all of its work.
function verify(run) {
  const problems = problemsOf(run);
  if (problems.length) fail(`${run.kind} A=${run.accounts} M=${run.bookmarks} did not do the work:\n  ${problems.join('\n  ')}`);
  return run;
}

function describe(run) {
  const r = run.result;
  const perBookmark = r.wallMs / 1000 / (run.accounts * run.bookmarks);
  let line = `wall ${f(r.wallMs / 1000, 3)} s  pages ${r.pageEvents} (site ${run.sitePages})  ${f(perBookmark, 4)} s/bookmark`;
  if (run.kind === 'ours')
    line += `  step median ${f(r.engineStepMs.median, 3)} ms p99 ${f(r.engineStepMs.p99, 3)} ms  waiting for pages ${f((100 * r.waitingMs) / r.wallMs, 1)} %`;
  line += `  peak ${f(run.peakRss / MB, 1)} MB (${run.peakProcesses} processes)`;
  if (run.halfway) line += `  PSS ${f(run.halfway.pss / MB, 1)} MB`;
  return line;
}

const allRuns = [];
const t0 = Date.now();
console.log(`bench/run: the "byid" flow of the demonstration site (${base}), build ${opts.build}`);
console.log(`machine: ${cpus().length} cores, load average ${load()} (1, 5, 15 min) at the start`);
console.log(`  ours: bench_engine (MainWindow, SubmissionEngine, WebBrowser on Qt WebEngine, offscreen)`);
console.log(`  playwright: playwright-core ${JSON.parse(readFileSync(join(here, 'node_modules', 'playwright-core', 'package.json'))).version}, ${execFileSync('/usr/bin/chromium', ['--version'], { stdio: ['ignore', 'pipe', 'ignore'] }).toString().trim()}`);
console.log('  every run is checked against the site\'s record (logins, submissions field by field, log-outs, pages) before its figures are printed');

// ---- 1. pairs, alternating (and alternating which side goes first)
console.log(`\n== Pairs: A=${A} accounts x M=${M} bookmarks, ${opts.rounds} rounds ==`);
const pairs = [];
for (let round = 1; round <= opts.rounds; round++) {
  const order = round % 2 ? ['ours', 'playwright'] : ['playwright', 'ours'];
  const runs = {};
  for (const kind of order) runs[kind] = verify(await runSide(kind, A, M));
  allRuns.push(runs.ours, runs.playwright);
  const ratio = runs.ours.result.wallMs / runs.playwright.result.wallMs;
  pairs.push({ ours: runs.ours, playwright: runs.playwright, ratio });
  console.log(`[${round}] ours       ${describe(runs.ours)}`);
  console.log(`[${round}] playwright ${describe(runs.playwright)}  (launch ${f(runs.playwright.result.launchMs / 1000, 2)} s, not counted)`);
  console.log(`[${round}] ours / playwright = ${f(ratio, 3)}   load ${load()}`);
}
const ratios = pairs.map((p) => p.ratio);
const oursPair = pairs.map((p) => p.ours);
const pwPair = pairs.map((p) => p.playwright);
const medianOf = (runs, pick) => median(runs.map(pick));
console.log('\nmedian of the rounds:');
for (const [name, runs] of [['ours', oursPair], ['playwright', pwPair]]) {
  let line = `  ${name.padEnd(10)} wall ${f(medianOf(runs, (r) => r.result.wallMs) / 1000, 3)} s  pages ${medianOf(runs, (r) => r.result.pageEvents)}  ${f(medianOf(runs, (r) => r.result.wallMs / 1000 / (A * M)), 4)} s/bookmark`;
  if (name === 'ours')
    line += `  waiting for pages ${f(medianOf(runs, (r) => (100 * r.result.waitingMs) / r.result.wallMs), 1)} %  engine ${f(medianOf(runs, (r) => (100 * r.result.engineMs) / r.result.wallMs), 2)} %`;
  line += `  peak memory ${f(medianOf(runs, (r) => r.peakRss) / MB, 1)} MB`;
  console.log(line);
}
const handler = oursPair.map((r) => r.result.handlerMs);
console.log(`  ours, page event to the handler's return (all the program does on a page event before it waits again): median ${f(median(handler.map((h) => h.median)), 3)} ms, p99 ${f(median(handler.map((h) => h.p99)), 3)} ms`);
console.log(`  ours, CPU per page: main thread ${f(medianOf(oursPair, (r) => r.result.cpuMainThreadMs / r.result.pageEvents), 2)} ms, whole process ${f(medianOf(oursPair, (r) => r.result.cpuProcessMs / r.result.pageEvents), 2)} ms (the browser processes not counted)`);
console.log(`  peak memory is the sampled sum of the process tree's RSS (shared libraries counted in every process); halfway PSS: ours ${f(medianOf(oursPair, (r) => r.halfway.pss) / MB, 1)} MB, playwright ${f(medianOf(pwPair, (r) => r.halfway.pss) / MB, 1)} MB (its tree includes node)`);
console.log(`  ratio ours / playwright, median of ${ratios.length} pairs: ${f(median(ratios), 3)}  (pairs: ${ratios.map((r) => f(r, 3)).join(' ')})`);

// ---- 2. sizes
console.log(`\n== Sizes: ours, A=${SIZE_ACCOUNTS} ==`);
const sizes = [];
for (const m of opts.sizes) {
  const repeats = m >= 1000 ? 1 : opts.sizeRepeats;
  const runs = [];
  for (let i = 0; i < repeats; i++) {
    const run = verify(await runSide('ours', SIZE_ACCOUNTS, m, [100, 1000, 2000]));
    runs.push(run);
    allRuns.push(run);
    console.log(`  M=${String(m).padEnd(5)} ${describe(run)}   load ${load()}`);
    if (m >= 1000) {
      const tenths = run.result.msPerBookmarkByTenth;
      console.log(`           ms per bookmark by tenth of the run: ${tenths.map((x) => f(x, 1)).join(' ')}`);
      const at = run.atMilestone;
      const w = (from) => windowMedian(run.samples, from, from + 100) / MB;
      console.log(`           memory (tree RSS) at the moment 100, 1000 and 2000 bookmarks were done: ${f(at[100] / MB, 1)}, ${f(at[1000] / MB, 1)}, ${f(at[2000] / MB, 1)} MB`);
      console.log(`           median of the samples while bookmarks 100-199, 1000-1099, 1900-1999 were done: ${f(w(100), 1)}, ${f(w(1000), 1)}, ${f(w(1900), 1)} MB (${run.samples.length} samples in all)`);
      const own = (from) => windowMedian(run.samples, from, from + 100, 2) / MB;
      console.log(`           of it the program's own process (the browser processes left out), same medians: ${f(own(100), 1)}, ${f(own(1000), 1)}, ${f(own(1900), 1)} MB`);
      const trend = slope(run.samples.filter(([done]) => done >= 1000));
      console.log(`           trend over the second thousand (least squares): ${f((trend * 1000) / MB, 1)} MB per 1000 bookmarks`);
    }
  }
  const cost = median(runs.map((r) => r.result.wallMs / (r.accounts * r.bookmarks)));
  sizes.push({ m, cost, runs });
  // CPU time depends less on the machine's other load than the wall time does.
  const cpu = median(runs.map((r) => r.result.cpuProcessMs / (r.accounts * r.bookmarks)));
  const cpuMain = median(runs.map((r) => r.result.cpuMainThreadMs / (r.accounts * r.bookmarks)));
  console.log(`  M=${String(m).padEnd(5)} cost per bookmark ${f(cost, 2)} ms (median of ${runs.length}); the program's CPU per bookmark ${f(cpu, 2)} ms, of it the main thread ${f(cpuMain, 2)} ms`);
}

// ---- 3. start-up
console.log(`\n== Start-up: process start to the main window shown with the store open (offscreen), ${opts.startups} times ==`);
const startupDir = mkdtempSync(join(tmpdir(), 'tvx-bench-startup-'));
const startups = [];
const readies = [];
for (let i = 0; i < opts.startups; i++) {
  const store = join(startupDir, `tvx${i}.cfg`);
  copyFileSync(deliveredStore, store);
  const child = new Child(benchEngine, ['startup', store, base]);
  const line = await child.next((l) => l.startsWith('shown '), 60000);
  const [, shownNs, kernelMs, readyNs] = line.split(' ');
  const code = await child.exited;
  if (code !== 0) fail(`start-up run ${i + 1} ended with ${code}:\n${child.stderr.join('\n')}`);
  const ms = Number(BigInt(shownNs) - child.startNs) / 1e6;
  const readyMs = Number(BigInt(readyNs) - child.startNs) / 1e6;
  startups.push(ms);
  readies.push(readyMs);
  console.log(`  [${i + 1}] ${f(ms, 0)} ms from spawn (${f(Number(kernelMs), 0)} ms from the process's creation by the kernel's clock); worker browser's first page ${f(readyMs, 0)} ms`);
}
rmSync(startupDir, { recursive: true, force: true });
const startupMedian = median(startups);
console.log(`  median ${f(startupMedian, 0)} ms; the worker browser ready for a run: median ${f(median(readies), 0)} ms`);

// ---- 4. targets
const oursRuns = allRuns.filter((r) => r.kind === 'ours');
const steps = oursRuns.flatMap((r) => r.result.stepsUs.map((us) => us / 1000));
const stepMedian = median(steps);
const stepP99 = percentile(steps, 0.99);
const cost10 = sizes.find((s) => s.m === 10)?.cost;
const cost1000 = sizes.find((s) => s.m === 1000)?.cost;
const big = sizes.find((s) => s.m === 1000)?.runs[0];
// The renderer's memory is a saw tooth (garbage of the discarded documents until Chromium collects it,
// tens of MB); a single sample lands anywhere on a tooth, so each point is the median of the samples
// over the next 100 bookmarks (about two teeth).
const growth = big ? (windowMedian(big.samples, 1000, 1100) - windowMedian(big.samples, 100, 200)) / MB : NaN;
const targets = [
  [`engine time per step, median over ${steps.length} steps of ${oursRuns.length} runs`, stepMedian, '<=', 5, 'ms'],
  ['engine time per step, 99th percentile', stepP99, '<=', 20, 'ms'],
  [`run time ours / playwright, A=${A} M=${M}${A === 2 && M === 50 ? '' : ' (the target is stated for A=2 M=50)'}, median of ${ratios.length} pairs`, median(ratios), '<=', 1.0, ''],
  ['cost per bookmark at M=1000 / at M=10 (A=2)', cost1000 / cost10, '<=', 1.1, ''],
  ['memory growth from 100 to 1000 bookmarks (A=2, M=1000; medians over the next 100 bookmarks)', growth, '<', 20, 'MB'],
  [`start-up to the main window with the store open, median of ${startups.length}`, startupMedian / 1000, '<', 1.5, 's'],
];
console.log(`\n== Targets (load average ${load()}; ${f((Date.now() - t0) / 60000, 1)} min) ==`);
let missed = 0;
for (const [what, value, op, limit, unit] of targets) {
  if (value === undefined || Number.isNaN(value)) {
    console.log(`  (not measured in this invocation) ${what}: needs the default --sizes 10,100,1000`);
    continue;
  }
  const ok = op === '<' ? value < limit : value <= limit;
  if (!ok) ++missed;
  console.log(`  ${ok ? 'met   ' : 'MISSED'} ${what}: ${f(value, 3)}${unit ? ' ' + unit : ''} (target ${op} ${limit}${unit ? ' ' + unit : ''})`);
}

if (big) {
  const own = (windowMedian(big.samples, 1000, 1100, 2) - windowMedian(big.samples, 100, 200, 2)) / MB;
  console.log(`  (memory: of that, the program's own process ${f(own, 1)} MB; the rest is the browser processes, whose`);
  console.log('   renderer rises and falls by 15-30 MB as Chromium collects the garbage of the pages it discarded)');
}

writeFileSync(
  join(benchDir, 'bench-run-last.json'),
  JSON.stringify({ A, M, opts, load: loadavg(), pairs: pairs.map((p) => ({ ratio: p.ratio, ours: p.ours.result, playwright: p.playwright.result })), sizes: sizes.map((s) => ({ m: s.m, costMs: s.cost, runs: s.runs.map((r) => ({ ...r.result, peakRss: r.peakRss, atMilestone: r.atMilestone, samples: r.samples })) })), startupsMs: startups, readyMs: readies, stepMedian, stepP99 }, null, 1),
);
site.send('quit');
await site.exited;
process.exit(missed ? 3 : 0);
