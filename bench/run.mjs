// bench/run's driver: starts the demonstration site (bench_site), runs the program's side
// (bench_engine) and the scripted browser (flow_playwright.mjs) alternately over the same page flow,
// checks each run against the site's own record before printing any of its figures, then the sizes
// and the start-up, and last the targets.
//
//   node run.mjs --build DIR [--rounds N] [--sizes 10,100,1000] [--size-repeats N] [--startups N] A M
import { spawn, execFileSync } from 'node:child_process';
import { createInterface } from 'node:readline';
import { copyFileSync, mkdtempSync, readdirSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { cpus, loadavg, tmpdir } from 'node:os';
import { dirname, join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { expectedPages, expectedSubmissions } from './flow_common.mjs';

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
const PAGE_SIZE = parseInt(execFileSync('getconf', ['PAGESIZE']).toString(), 10);

function median(values) {
  const v = [...values].sort((a, b) => a - b);
  if (v.length === 0) return NaN;
  const mid = Math.floor(v.length / 2);
  return v.length % 2 ? v[mid] : (v[mid - 1] + v[mid]) / 2;
}
function percentile(values, q) {
  // Nearest rank.
  const v = [...values].sort((a, b) => a - b);
  if (v.length === 0) return NaN;
  return v[Math.min(v.length, Math.max(1, Math.ceil(q * v.length))) - 1];
}
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

// ---- memory: the resident set of a process and all its descendants, summed
function treeRss(rootPid) {
  const children = new Map();
  for (const name of readdirSync('/proc')) {
    if (name.charCodeAt(0) < 48 || name.charCodeAt(0) > 57) continue;
    let stat;
    try {
      stat = readFileSync(`/proc/${name}/stat`, 'latin1');
    } catch {
      continue;
    }
    const ppid = parseInt(stat.slice(stat.lastIndexOf(')') + 2).split(' ')[1], 10);
    if (!children.has(ppid)) children.set(ppid, []);
    children.get(ppid).push(parseInt(name, 10));
  }
  let rss = 0;
  let count = 0;
  const stack = [rootPid];
  while (stack.length) {
    const pid = stack.pop();
    try {
      rss += parseInt(readFileSync(`/proc/${pid}/statm`, 'latin1').split(' ')[1], 10) * PAGE_SIZE;
      ++count;
    } catch {
      continue;
    }
    for (const c of children.get(pid) ?? []) stack.push(c);
  }
  return { rss, processes: count };
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
  const sample = () => {
    const s = treeRss(pid);
    if (s.rss > peak.rss) peak = s;
    return s;
  };
  child.onLine = (line) => {
    if (!line.startsWith('progress ')) return;
    progress = parseInt(line.slice(9), 10);
    if (milestones.includes(progress)) atMilestone[progress] = sample().rss;
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
    atMilestone,
  };
}

// The site's own record must show exactly the work: every login, every submission with every field,
// every log-out, and every page of the flow; and the side must have seen every page.
function verify(run) {
  const problems = [];
  const { accounts, bookmarks, record, result } = run;
  if (run.exitCode !== 0) problems.push(`exit code ${run.exitCode}`);
  const want = expectedSubmissions(accounts, bookmarks);
  if (record.submissions.length !== want.length)
    problems.push(`the site recorded ${record.submissions.length} submissions, not ${want.length}`);
  else
    for (let i = 0; i < want.length; i++)
      for (const [key, value] of Object.entries(want[i]))
        if (record.submissions[i][key] !== value) {
          problems.push(`submission ${i + 1}: ${key} is ${JSON.stringify(record.submissions[i][key])}, not ${JSON.stringify(value)}`);
          break;
        }
  const logins = record.logins.map((l) => `${l.site}/${l.user}/${l.password}`).join(' ');
  const wantLogins = Array.from({ length: accounts }, (_, a) => `byid/byid-user${a + 1}/pw${a + 1}`).join(' ');
  if (logins !== wantLogins) problems.push(`logins "${logins}", not "${wantLogins}"`);
  const logouts = record.logouts.join(' ');
  const wantLogouts = Array.from({ length: accounts }, (_, a) => `byid/byid-user${a + 1}`).join(' ');
  if (logouts !== wantLogouts) problems.push(`log-outs "${logouts}", not "${wantLogouts}"`);
  const pages = expectedPages(accounts, bookmarks);
  if (run.sitePages !== pages) problems.push(`the site served ${run.sitePages} pages, not ${pages}`);
  if (result.pageEvents !== pages) problems.push(`${result.pageEvents} page loads seen, not ${pages}`);
  if (result.doneSteps !== accounts * bookmarks) problems.push(`${result.doneSteps} bookmarks done, not ${accounts * bookmarks}`);
  if (run.kind === 'ours') {
    if (JSON.stringify(result.boxes) !== JSON.stringify(['网摘提交完毕！'])) problems.push(`message boxes ${JSON.stringify(result.boxes)}`);
    if (result.logErrors !== 0) problems.push(`${result.logErrors} error lines in the run log`);
  }
  if (problems.length) fail(`${run.kind} A=${accounts} M=${bookmarks} did not do the work:\n  ${problems.join('\n  ')}`);
  return run;
}

function describe(run) {
  const r = run.result;
  const perBookmark = r.wallMs / 1000 / (run.accounts * run.bookmarks);
  let line = `wall ${f(r.wallMs / 1000, 3)} s  pages ${r.pageEvents} (site ${run.sitePages})  ${f(perBookmark, 4)} s/bookmark`;
  if (run.kind === 'ours')
    line += `  step median ${f(r.engineStepMs.median, 3)} ms p99 ${f(r.engineStepMs.p99, 3)} ms  waiting for pages ${f((100 * r.waitingMs) / r.wallMs, 1)} %`;
  line += `  peak ${f(run.peakRss / MB, 1)} MB (${run.peakProcesses} processes)`;
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
      console.log(`           memory after 100 bookmarks ${f(at[100] / MB, 1)} MB, after 1000 ${f(at[1000] / MB, 1)} MB, after 2000 ${f(at[2000] / MB, 1)} MB`);
    }
  }
  const cost = median(runs.map((r) => r.result.wallMs / (r.accounts * r.bookmarks)));
  sizes.push({ m, cost, runs });
  console.log(`  M=${String(m).padEnd(5)} cost per bookmark ${f(cost, 2)} ms (median of ${runs.length})`);
}

// ---- 3. start-up
console.log(`\n== Start-up: process start to the main window shown with the store open (offscreen), ${opts.startups} times ==`);
const startupDir = mkdtempSync(join(tmpdir(), 'tvx-bench-startup-'));
const startups = [];
for (let i = 0; i < opts.startups; i++) {
  const store = join(startupDir, `tvx${i}.cfg`);
  copyFileSync(deliveredStore, store);
  const child = new Child(benchEngine, ['startup', store, base]);
  const line = await child.next((l) => l.startsWith('shown '), 60000);
  const [, shownNs, kernelMs] = line.split(' ');
  const code = await child.exited;
  if (code !== 0) fail(`start-up run ${i + 1} ended with ${code}:\n${child.stderr.join('\n')}`);
  const ms = Number(BigInt(shownNs) - child.startNs) / 1e6;
  startups.push(ms);
  console.log(`  [${i + 1}] ${f(ms, 0)} ms from spawn (${f(Number(kernelMs), 0)} ms by the kernel's process start)`);
}
rmSync(startupDir, { recursive: true, force: true });
const startupMedian = median(startups);
console.log(`  median ${f(startupMedian, 0)} ms`);

// ---- 4. targets
const oursRuns = allRuns.filter((r) => r.kind === 'ours');
const steps = oursRuns.flatMap((r) => r.result.stepsUs.map((us) => us / 1000));
const stepMedian = median(steps);
const stepP99 = percentile(steps, 0.99);
const cost10 = sizes.find((s) => s.m === 10)?.cost;
const cost1000 = sizes.find((s) => s.m === 1000)?.cost;
const big = sizes.find((s) => s.m === 1000)?.runs[0];
const growth = big ? (big.atMilestone[1000] - big.atMilestone[100]) / MB : NaN;
const targets = [
  [`engine time per step, median over ${steps.length} steps of ${oursRuns.length} runs`, stepMedian, '<=', 5, 'ms'],
  ['engine time per step, 99th percentile', stepP99, '<=', 20, 'ms'],
  [`run time ours / playwright, A=${A} M=${M}, median of ${ratios.length} pairs`, median(ratios), '<=', 1.0, ''],
  ['cost per bookmark at M=1000 / at M=10 (A=2)', cost1000 / cost10, '<=', 1.1, ''],
  ['memory growth from 100 to 1000 bookmarks (A=2, M=1000)', growth, '<', 20, 'MB'],
  [`start-up to the main window with the store open, median of ${startups.length}`, startupMedian / 1000, '<', 1.5, 's'],
];
console.log(`\n== Targets (load average ${load()}; ${f((Date.now() - t0) / 60000, 1)} min) ==`);
let missed = 0;
for (const [what, value, op, limit, unit] of targets) {
  const ok = Number.isFinite(value) && (op === '<' ? value < limit : value <= limit);
  if (!ok) ++missed;
  console.log(`  ${ok ? 'met   ' : 'MISSED'} ${what}: ${f(value, 3)}${unit ? ' ' + unit : ''} (target ${op} ${limit}${unit ? ' ' + unit : ''})`);
}

writeFileSync(
  join(benchDir, 'bench-run-last.json'),
  JSON.stringify({ A, M, opts, load: loadavg(), pairs: pairs.map((p) => ({ ratio: p.ratio, ours: p.ours.result, playwright: p.playwright.result })), sizes: sizes.map((s) => ({ m: s.m, costMs: s.cost, runs: s.runs.map((r) => ({ ...r.result, peakRss: r.peakRss, atMilestone: r.atMilestone })) })), startupsMs: startups, stepMedian, stepP99 }, null, 1),
);
site.send('quit');
await site.exited;
process.exit(missed ? 3 : 0);
