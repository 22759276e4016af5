// bench/run's driver: starts the demonstration site (bench_site), runs the program's side
// (bench_engine), the two Playwright scripts (flow_playwright.mjs, usual and quick) and the plain HTTP
// floor (flow_http.mjs) alternately over the same page flow, on the light and the heavy variant; checks
// each run against the site's own record before printing any of its figures; then the sizes, the big
// page, the start-up of the real executable, and last the targets.
//
//   node run.mjs --build DIR [--rounds N] [--variants byid,heavy] [--sizes 10,100,1000] [--size-repeats N]
//                [--big-runs N] [--startups N] A M
import { spawn, execFileSync } from 'node:child_process';
import { createInterface } from 'node:readline';
import { chmodSync, copyFileSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { cpus, loadavg, tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { cpuBetween, median, percentile, slope, treeCpu, treeRss, verify as problemsOf, windowMedian } from './benchlib.mjs';

const here = dirname(fileURLToPath(import.meta.url));

// ---- arguments
const opts = { rounds: 5, variants: ['byid', 'heavy'], sizes: [10, 100, 1000], sizeRepeats: 3, bigRuns: 5, startups: 7, build: join(here, '..', 'build-bench'), sampleMs: 200 };
const positional = [];
for (let i = 2; i < process.argv.length; i++) {
  const a = process.argv[i];
  const value = () => process.argv[++i];
  if (a === '--build') opts.build = value();
  else if (a === '--rounds') opts.rounds = parseInt(value(), 10);
  else if (a === '--sizes') opts.sizes = value().split(',').filter(Boolean).map(Number);
  else if (a === '--variants') opts.variants = value().split(',').filter(Boolean);
  else if (a === '--big-runs') opts.bigRuns = parseInt(value(), 10);
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
const executable = join(opts.build, 'bin', 'tavrinex');
const probe = join(benchDir, 'bench_firstpaint.so');

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
const siteServer = new Child(benchSite, []);
const base = (await siteServer.next((l) => l.startsWith('ready '), 20000)).split(' ')[1];
let siteQueue = Promise.resolve();
function siteCommand(command) {
  // One command at a time; each answers with one line.
  const answer = siteQueue.then(() => {
    const reply = siteServer.next(() => true, 20000);
    siteServer.send(command);
    return reply;
  });
  siteQueue = answer.catch(() => {});
  return answer;
}

// ---- one run of one side
// kind: 'ours', 'quick' and 'usual' (the two Playwright scripts), 'floor' (plain HTTP).
function sideCommand(kind, site, accounts, bookmarks, timeout) {
  const args = [base, site, String(accounts), String(bookmarks)];
  if (kind === 'ours') return new Child(benchEngine, ['run', ...args, ...(timeout ? [String(timeout)] : [])]);
  if (kind === 'floor') return new Child(process.execPath, [join(here, 'flow_http.mjs'), ...args]);
  return new Child(process.execPath, [join(here, 'flow_playwright.mjs'), ...args, kind]);
}

async function runSide(kind, site, accounts, bookmarks, { milestones = [], timeout = 0 } = {}) {
  const child = sideCommand(kind, site, accounts, bookmarks, timeout);
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
  // CPU of the whole tree by process role, from the start to the last bookmark (before the side
  // closes its browser).
  let cpuStart = null;
  let cpuEnd = null;
  child.onLine = (line) => {
    if (!line.startsWith('progress ')) return;
    progress = parseInt(line.slice(9), 10);
    if (progress === accounts * bookmarks) cpuEnd = treeCpu(pid);
    if (milestones.includes(progress)) atMilestone[progress] = sample().rss;
    if (progress === half) halfway = treeRss(pid, true);
  };
  const sampler = setInterval(sample, opts.sampleMs);
  cpuStart = treeCpu(pid);
  child.send('go');
  const resultLine = await child.next((l) => l.startsWith('result '), Math.max(600000, accounts * bookmarks * 5000));
  clearInterval(sampler);
  const result = JSON.parse(resultLine.slice(7));
  const code = await child.exited;
  const after = JSON.parse(await siteCommand('stats'));
  const requestLog = site === 'big' ? JSON.parse(await siteCommand('requests')) : null;
  return {
    kind,
    site,
    accounts,
    bookmarks,
    result,
    exitCode: code,
    // Every HTML page the site served during the run: the GETs it counts, and one page answered to
    // each login and each submission it recorded.
    sitePages: after.pagesServed - before.pagesServed + after.logins.length + after.submissions.length,
    record: after,
    requestLog,
    cpu: cpuEnd ? cpuBetween(cpuStart, cpuEnd) : {},
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
  if (problems.length) fail(`${run.kind} ${run.site} A=${run.accounts} M=${run.bookmarks} did not do the work:\n  ${problems.join('\n  ')}`);
  return run;
}

const requestsText = (run) => Object.entries(run.record.requests).map(([dest, n]) => `${dest} ${n}`).join(', ');

function describe(run) {
  const r = run.result;
  const perBookmark = r.wallMs / 1000 / (run.accounts * run.bookmarks);
  let line = `wall ${f(r.wallMs / 1000, 3)} s  pages ${r.pageEvents} (site ${run.sitePages})  ${f(perBookmark, 4)} s/bookmark`;
  if (run.kind === 'ours')
    line += `  page event ${f(r.handlerMs.median, 3)}/${f(r.handlerMs.p99, 3)} ms  step in page ${f(r.stepPageMs.median, 2)}/${f(r.stepPageMs.p99, 2)} ms  answer ${f(r.answerMs.median, 3)}/${f(r.answerMs.p99, 3)} ms (median/p99)  waiting for pages ${f((100 * r.waitingMs) / r.wallMs, 1)} %`;
  if (run.kind !== 'floor') {
    line += `  peak ${f(run.peakRss / MB, 1)} MB (${run.peakProcesses} processes)`;
    if (run.halfway) line += `  PSS ${f(run.halfway.pss / MB, 1)} MB`;
  }
  return line;
}

const SIDES = ['ours', 'quick', 'usual', 'floor'];
const SIDE_NAMES = { ours: 'ours', quick: 'quick Playwright', usual: 'usual Playwright', floor: 'HTTP floor' };
const allRuns = [];
const t0 = Date.now();
console.log(`bench/run: the demonstration site (${base}), build ${opts.build}`);
console.log(`machine: ${cpus().length} cores, load average ${load()} (1, 5, 15 min) at the start`);
console.log(`  ours: bench_engine (MainWindow, SubmissionEngine, WebBrowser on Qt WebEngine, offscreen)`);
console.log(`  Playwright: playwright-core ${JSON.parse(readFileSync(join(here, 'node_modules', 'playwright-core', 'package.json'))).version}, ${execFileSync('/usr/bin/chromium', ['--version'], { stdio: ['ignore', 'pipe', 'ignore'] }).toString().trim()}, headless; usual (goto, fill, click) and quick (one evaluate per page)`);
console.log(`  HTTP floor: Node ${process.version} http, one kept-alive connection`);
console.log('  every run is checked against the site\'s record (logins, submissions field by field, log-outs, pages) before its figures are printed');

// ---- 1. pairs, alternating (each round reverses the order of the sides)
const pairsBySite = {};
for (const site of opts.variants) {
  console.log(`\n== Rounds on the "${site}" variant: A=${A} accounts x M=${M} bookmarks, ${opts.rounds} rounds, sides alternating ==`);
  const rounds = [];
  for (let round = 1; round <= opts.rounds; round++) {
    const order = round % 2 ? SIDES : [...SIDES].reverse();
    const runs = {};
    for (const kind of order) runs[kind] = verify(await runSide(kind, site, A, M));
    for (const kind of SIDES) allRuns.push(runs[kind]);
    const ratio = (kind) => runs.ours.result.wallMs / runs[kind].result.wallMs;
    rounds.push({ runs, quick: ratio('quick'), usual: ratio('usual'), floor: ratio('floor') });
    for (const kind of SIDES) console.log(`[${round}] ${SIDE_NAMES[kind].padEnd(16)} ${describe(runs[kind])}`);
    console.log(`[${round}] ours / quick ${f(ratio('quick'), 3)}, ours / usual ${f(ratio('usual'), 3)}, ours / floor ${f(ratio('floor'), 2)}   load ${load()}`);
    if (round === 1) for (const kind of SIDES) console.log(`    requests the site answered, ${SIDE_NAMES[kind]}: ${requestsText(runs[kind])}`);
  }
  pairsBySite[site] = rounds;
  const medianOf = (kind, pick) => median(rounds.map((r) => pick(r.runs[kind])));
  console.log('median of the rounds:');
  for (const kind of SIDES) {
    let line = `  ${SIDE_NAMES[kind].padEnd(16)} wall ${f(medianOf(kind, (r) => r.result.wallMs) / 1000, 3)} s  ${f(medianOf(kind, (r) => r.result.wallMs / r.result.pageEvents), 2)} ms/page`;
    if (kind === 'ours')
      line += `  waiting for pages ${f(medianOf(kind, (r) => (100 * r.result.waitingMs) / r.result.wallMs), 1)} %  CPU per page: main thread ${f(medianOf(kind, (r) => r.result.cpuMainThreadMs / r.result.pageEvents), 2)} ms, process ${f(medianOf(kind, (r) => r.result.cpuProcessMs / r.result.pageEvents), 2)} ms`;
    if (kind !== 'floor') line += `  peak ${f(medianOf(kind, (r) => r.peakRss) / MB, 1)} MB, PSS halfway ${f(medianOf(kind, (r) => r.halfway.pss) / MB, 1)} MB`;
    console.log(line);
    const roles = [...new Set(rounds.flatMap((r) => Object.keys(r.runs[kind].cpu)))].sort();
    const perPage = (role) => medianOf(kind, (r) => (r.cpu[role] ?? 0) / r.result.pageEvents);
    console.log(`  ${''.padEnd(16)} CPU per page by process: ${roles.map((role) => `${role} ${f(perPage(role), 1)} ms`).join(', ')}`);
  }
  for (const other of ['quick', 'usual', 'floor'])
    console.log(`  ours / ${SIDE_NAMES[other]}, median of ${rounds.length} rounds: ${f(median(rounds.map((r) => r[other])), 3)}  (rounds: ${rounds.map((r) => f(r[other], 3)).join(' ')})`);
}

// ---- 2. sizes
// Chromium lets a frame start at most 200 navigations of its own (a press submitting a form is one) in
// 10 seconds and drops the rest; at this site's full speed a long run presses faster than that, and
// the dropped press's bookmark ends by time-out. The site therefore holds its answers to posted forms
// back a little here, the same at every size.
const PACE_MS = 25;
console.log(`\n== Sizes: ours on "byid", A=${SIZE_ACCOUNTS}, the site answering posted forms ${PACE_MS} ms late ==`);
await siteCommand(`pace ${PACE_MS}`);
// The site's pause is taken out again: it falls on the posted pages only, whose share of all pages is a
// little larger in a long run.
const unpaced = (r) => r.result.wallMs - PACE_MS * (r.accounts + r.accounts * r.bookmarks);
const perPageOf = (runs) => median(runs.map((r) => unpaced(r) / r.result.pageEvents));
const sizes = [];
// The long run is bracketed by a run of the smallest size just before and just after it, so that the
// ratio of their costs compares runs made under the same load (the machine's load drifts over minutes).
const smallest = Math.min(...opts.sizes);
const bracket = [];
const bracketRun = async () => {
  const run = verify(await runSide('ours', 'byid', SIZE_ACCOUNTS, smallest));
  allRuns.push(run);
  bracket.push(run);
  console.log(`  M=${String(smallest).padEnd(5)} ${describe(run)}   load ${load()} (beside the long run)`);
};
for (const m of opts.sizes) {
  const repeats = m >= 1000 ? 1 : opts.sizeRepeats;
  const runs = [];
  for (let i = 0; i < repeats; i++) {
    if (m >= 1000) await bracketRun();
    const run = verify(await runSide('ours', 'byid', SIZE_ACCOUNTS, m, { milestones: [100, 1000, 2000] }));
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
      await bracketRun();
    }
  }
  const cost = median(runs.map((r) => unpaced(r) / (r.accounts * r.bookmarks)));
  const perPage = median(runs.map((r) => unpaced(r) / r.result.pageEvents));
  sizes.push({ m, cost, perPage, runs });
  // CPU time depends less on the machine's other load than the wall time does.
  const cpu = median(runs.map((r) => r.result.cpuProcessMs / r.result.pageEvents));
  const cpuMain = median(runs.map((r) => r.result.cpuMainThreadMs / r.result.pageEvents));
  console.log(`  M=${String(m).padEnd(5)} cost per bookmark ${f(cost, 2)} ms, per page ${f(perPage, 2)} ms, the site's pauses taken out (median of ${runs.length}); the program's CPU per page ${f(cpu, 2)} ms, of it the main thread ${f(cpuMain, 2)} ms`);
}

await siteCommand('pace 0');

// ---- 3. the big page: 45,000 numbered spans and 5,000 hidden inputs before the login button
console.log(`\n== The big login page ("big": 50,000 elements that carry text, the button found by its caption), time-out 8 s, ${opts.bigRuns} runs ==`);
const bigPresses = [];
for (let i = 0; i < opts.bigRuns; i++) {
  const run = verify(await runSide('ours', 'big', 1, 2, { timeout: 8 }));
  allRuns.push(run);
  const [pageUs, sentUs, answeredUs] = run.result.loginPagesUs[0];
  const served = run.requestLog.filter((r) => r[0] === 'GET' && r[1] === '/big/login').pop();
  const post = run.requestLog.find((r) => r[0] === 'POST' && r[1] === '/big/login');
  const press = (post[4] - pageUs) / 1000;
  bigPresses.push(press);
  console.log(`  [${i + 1}] page served -> page event ${f((pageUs - served[4]) / 1000, 0)} ms; page event -> step sent ${f((sentUs - pageUs) / 1000, 2)} ms; step in the page ${f((answeredUs - sentUs) / 1000, 1)} ms; page event -> the login at the site ${f(press, 0)} ms   load ${load()}`);
}
const bigMedian = median(bigPresses);
console.log(`  page load (page event) to the press arriving at the site: median ${f(bigMedian, 0)} ms, largest ${f(Math.max(...bigPresses), 0)} ms`);

// ---- 4. start-up of the real executable
console.log(`\n== Start-up: the real executable (${executable}) beside a copy of the delivered tvx.cfg, exec to the first paint of its window (offscreen), ${opts.startups} times ==`);
const startupDir = mkdtempSync(join(tmpdir(), 'tvx-bench-startup-'));
const startups = [];
for (let i = 0; i < opts.startups; i++) {
  const dir = join(startupDir, String(i));
  mkdirSync(dir);
  copyFileSync(executable, join(dir, 'tavrinex'));
  chmodSync(join(dir, 'tavrinex'), 0o755);
  copyFileSync(deliveredStore, join(dir, 'tvx.cfg'));
  const env = { ...process.env, LD_PRELOAD: probe, QT_QPA_PLATFORM: process.env.QT_QPA_PLATFORM ?? 'offscreen' };
  if (!env.QTWEBENGINE_CHROMIUM_FLAGS) env.QTWEBENGINE_CHROMIUM_FLAGS = '--disable-gpu';
  if (process.getuid() === 0) env.QTWEBENGINE_DISABLE_SANDBOX = '1';
  const child = new Child(join(dir, 'tavrinex'), [], env);
  const line = await child.next((l) => l.startsWith('painted '), 60000);
  const [, paintedNs, kernelMs] = line.split(' ');
  const code = await Promise.race([child.exited, new Promise((r) => setTimeout(() => r('timeout'), 20000))]);
  if (code === 'timeout') child.proc.kill('SIGKILL');
  const ms = Number(BigInt(paintedNs) - child.startNs) / 1e6;
  startups.push(ms);
  console.log(`  [${i + 1}] ${f(ms, 0)} ms from spawn (${f(Number(kernelMs), 0)} ms from the process's creation by the kernel's clock)`);
}
rmSync(startupDir, { recursive: true, force: true });
const startupMedian = median(startups);
console.log(`  median ${f(startupMedian, 0)} ms`);

// ---- 5. targets
const oursRuns = allRuns.filter((r) => r.kind === 'ours');
const handler = oursRuns.flatMap((r) => r.result.handlerUs.map((us) => us / 1000));
const stepPage = oursRuns.flatMap((r) => r.result.stepPageUs.map((us) => us / 1000));
const answer = oursRuns.flatMap((r) => r.result.answerUs.map((us) => us / 1000));
console.log(`\n== The program's handling of a page, over every page of ${oursRuns.length} runs of ours ==`);
console.log(`  page event to the end of the handler it starts (building and sending the step, or requesting the next page): median ${f(median(handler), 3)} ms, p99 ${f(percentile(handler, 0.99), 3)} ms (${handler.length} events)`);
console.log(`  the page's own time to carry out a step, sent to answered: median ${f(median(stepPage), 2)} ms, p99 ${f(percentile(stepPage, 0.99), 2)} ms (${stepPage.length} steps)`);
console.log(`  handling of the answer (through the event queue, reading it, the stage's work, the next request): median ${f(median(answer), 3)} ms, p99 ${f(percentile(answer, 0.99), 3)} ms`);
const queued = oursRuns.reduce((a, r) => a + r.result.queuedPages, 0);
const givenUp = oursRuns.reduce((a, r) => a + r.result.givenUpSteps, 0);
console.log(`  page events that waited behind a step: ${queued}; steps given up: ${givenUp}`);

const size10 = sizes.find((s) => s.m === 10);
const size1000 = sizes.find((s) => s.m === 1000);
const big = size1000?.runs[0];
// The renderer's memory is a saw tooth (garbage of the discarded documents until Chromium collects it,
// tens of MB); a single sample lands anywhere on a tooth, so each point is the median of the samples
// over the next 100 bookmarks (about two teeth).
const growth = big ? (windowMedian(big.samples, 1000, 1100) - windowMedian(big.samples, 100, 200)) / MB : NaN;
const ratioOf = (site, other) => (pairsBySite[site] ? median(pairsBySite[site].map((r) => r[other])) : NaN);
const note = A === 2 && M === 50 ? '' : ' (the targets are stated for A=2 M=50)';
const targets = [
  [`heavy variant: run time ours / quick Playwright, median of ${opts.rounds} rounds${note}`, ratioOf('heavy', 'quick'), '<=', 0.5, ''],
  [`heavy variant: run time ours / HTTP floor`, ratioOf('heavy', 'floor'), '<=', 3, ''],
  [`light variant: run time ours / quick Playwright`, ratioOf('byid', 'quick'), '<=', 0.5, ''],
  [`engine handling of a page event, median over ${handler.length} events`, median(handler), '<=', 2, 'ms'],
  ['engine handling of a page event, 99th percentile', percentile(handler, 0.99), '<=', 10, 'ms'],
  [`big page: page load to the press, median of ${bigPresses.length}`, bigMedian / 1000, '<=', 0.5, 's'],
  [`cost per page at M=1000 / at M=${smallest} just before and after it (A=2)`, size1000 && bracket.length ? size1000.perPage / perPageOf(bracket) : NaN, '<=', 1.05, ''],
  ['memory growth from 100 to 1000 bookmarks (A=2, M=1000; medians over the next 100 bookmarks)', growth, '<', 20, 'MB'],
  [`start-up of the real executable to the first paint, median of ${startups.length}`, startupMedian / 1000, '<', 0.5, 's'],
];
console.log(`\n== Targets (load average ${load()}; ${f((Date.now() - t0) / 60000, 1)} min) ==`);
let missed = 0;
for (const [what, value, op, limit, unit] of targets) {
  if (value === undefined || Number.isNaN(value)) {
    console.log(`  (not measured in this invocation) ${what}`);
    continue;
  }
  const ok = op === '<' ? value < limit : value <= limit;
  if (!ok) ++missed;
  console.log(`  ${ok ? 'met   ' : 'MISSED'} ${what}: ${f(value, 3)}${unit ? ' ' + unit : ''} (target ${op} ${limit}${unit ? ' ' + unit : ''})`);
}
for (const site of opts.variants) console.log(`  (for reading: ${site} variant, ours / usual Playwright ${f(ratioOf(site, 'usual'), 3)})`);
if (size1000 && size10) console.log(`  (for reading: cost per page at M=1000 / at M=10 of the first size runs ${f(size1000.perPage / size10.perPage, 3)}; per bookmark ${f(size1000.cost / size10.cost, 3)}, which the log-in and log-out pages weigh on at M=10)`);
if (big) {
  const own = (windowMedian(big.samples, 1000, 1100, 2) - windowMedian(big.samples, 100, 200, 2)) / MB;
  console.log(`  (memory: of that, the program's own process ${f(own, 1)} MB; the rest is the browser processes, whose`);
  console.log('   renderer rises and falls by 15-30 MB as Chromium collects the garbage of the pages it discarded)');
}

const summary = (r) => ({ kind: r.kind, site: r.site, wallMs: r.result.wallMs, pageEvents: r.result.pageEvents, peakRss: r.peakRss, requests: r.record.requests });
writeFileSync(
  join(benchDir, 'bench-run-last.json'),
  JSON.stringify({ A, M, opts, load: loadavg(), rounds: Object.fromEntries(Object.entries(pairsBySite).map(([site, rounds]) => [site, rounds.map((r) => ({ quick: r.quick, usual: r.usual, floor: r.floor, runs: Object.values(r.runs).map(summary) }))])), sizes: sizes.map((s) => ({ m: s.m, costMs: s.cost, perPageMs: s.perPage, runs: s.runs.map((r) => ({ ...summary(r), tenths: r.result.msPerBookmarkByTenth, atMilestone: r.atMilestone, samples: r.samples })) })), bigPressMs: bigPresses, startupsMs: startups, handler: { median: median(handler), p99: percentile(handler, 0.99) }, stepPage: { median: median(stepPage), p99: percentile(stepPage, 0.99) }, answer: { median: median(answer), p99: percentile(answer, 0.99) } }, null, 1),
);
siteServer.send('quit');
await siteServer.exited;
process.exit(missed ? 3 : 0);
