// The pieces of bench/run that decide what a figure is: medians and percentiles, the memory of a
// process tree, and the check of a run against the site's record. bench/benchlib.test.mjs tests them.
import { execFileSync } from 'node:child_process';
import { readdirSync, readFileSync } from 'node:fs';
import { expectedPages, expectedSubmissions } from './flow_common.mjs';

const PAGE_SIZE = parseInt(execFileSync('getconf', ['PAGESIZE']).toString(), 10);

export function median(values) {
  const v = [...values].sort((a, b) => a - b);
  if (v.length === 0) return NaN;
  const mid = Math.floor(v.length / 2);
  return v.length % 2 ? v[mid] : (v[mid - 1] + v[mid]) / 2;
}

export function percentile(values, q) {
  // Nearest rank.
  const v = [...values].sort((a, b) => a - b);
  if (v.length === 0) return NaN;
  return v[Math.min(v.length, Math.max(1, Math.ceil(q * v.length))) - 1];
}

// The least-squares slope of y over x for [x, y] points (NaN for fewer than two distinct x).
export function slope(points) {
  const n = points.length;
  if (n < 2) return NaN;
  const mx = points.reduce((a, [x]) => a + x, 0) / n;
  const my = points.reduce((a, [, y]) => a + y, 0) / n;
  let sxy = 0;
  let sxx = 0;
  for (const [x, y] of points) {
    sxy += (x - mx) * (y - my);
    sxx += (x - mx) * (x - mx);
  }
  return sxx === 0 ? NaN : sxy / sxx;
}

// The median of the values (column `column`) of [done, value, ...] samples whose `done` lies in [from, to).
export function windowMedian(samples, from, to, column = 1) {
  return median(samples.filter(([done]) => done >= from && done < to).map((s) => s[column]));
}

// The memory of a process and all its descendants: the sum of their resident sets (a shared library
// counts once in every process that maps it), the root's own resident set, and with `withPss` also the
// proportional set size.
export function treeRss(rootPid, withPss = false) {
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
  let rootRss = 0;
  let pss = 0;
  let count = 0;
  const stack = [rootPid];
  while (stack.length) {
    const pid = stack.pop();
    try {
      const own = parseInt(readFileSync(`/proc/${pid}/statm`, 'latin1').split(' ')[1], 10) * PAGE_SIZE;
      rss += own;
      if (pid === rootPid) rootRss = own;
      if (withPss) pss += parseInt(/\nPss:\s+(\d+) kB/.exec(readFileSync(`/proc/${pid}/smaps_rollup`, 'latin1'))[1], 10) * 1024;
      ++count;
    } catch {
      continue;
    }
    for (const c of children.get(pid) ?? []) stack.push(c);
  }
  return { rss, rootRss, pss, processes: count };
}

// CPU time (user and system, milliseconds) of a process and all its descendants, by role: "main" for
// the root, Chromium's processes by their --type ("renderer", "gpu-process", "zygote", "utility"),
// "browser" for a Chromium browser process, "other" for the rest.
export function treeCpu(rootPid) {
  const ticks = 1000 / parseInt(execFileSync('getconf', ['CLK_TCK']).toString(), 10);
  const children = new Map();
  const stats = new Map();
  for (const name of readdirSync('/proc')) {
    if (name.charCodeAt(0) < 48 || name.charCodeAt(0) > 57) continue;
    try {
      const stat = readFileSync(`/proc/${name}/stat`, 'latin1');
      const fields = stat.slice(stat.lastIndexOf(')') + 2).split(' ');
      const ppid = parseInt(fields[1], 10);
      if (!children.has(ppid)) children.set(ppid, []);
      children.get(ppid).push(parseInt(name, 10));
      stats.set(parseInt(name, 10), (parseInt(fields[11], 10) + parseInt(fields[12], 10)) * ticks);
    } catch {
      continue;
    }
  }
  const byRole = {};
  const stack = [rootPid];
  while (stack.length) {
    const pid = stack.pop();
    if (!stats.has(pid)) continue;
    let role = 'other';
    if (pid === rootPid) role = 'main';
    else {
      try {
        const cmdline = readFileSync(`/proc/${pid}/cmdline`, 'latin1');
        const type = /--type=([a-z-]+)/.exec(cmdline);
        if (type) role = type[1];
        else if (/chrom/i.test(cmdline)) role = 'browser';
      } catch {
        continue;
      }
    }
    byRole[role] = (byRole[role] ?? 0) + stats.get(pid);
    for (const c of children.get(pid) ?? []) stack.push(c);
  }
  return byRole;
}

// The CPU time spent between two readings of treeCpu, by role.
export function cpuBetween(before, after) {
  const out = {};
  for (const [role, ms] of Object.entries(after)) out[role] = ms - (before[role] ?? 0);
  return out;
}

// The site's own record must show exactly the work: every login, every submission with every field,
// every log-out, and every page of the flow; and the side must have seen every page.
export function verify(run) {
  const problems = [];
  const { accounts, bookmarks, record, result } = run;
  const site = run.site ?? 'byid';
  if (run.exitCode !== 0) problems.push(`exit code ${run.exitCode}`);
  const want = expectedSubmissions(accounts, bookmarks, site);
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
  const wantLogins = Array.from({ length: accounts }, (_, a) => `${site}/${site}-user${a + 1}/pw${a + 1}`).join(' ');
  if (logins !== wantLogins) problems.push(`logins "${logins}", not "${wantLogins}"`);
  const logouts = record.logouts.join(' ');
  const wantLogouts = Array.from({ length: accounts }, (_, a) => `${site}/${site}-user${a + 1}`).join(' ');
  if (logouts !== wantLogouts) problems.push(`log-outs "${logouts}", not "${wantLogouts}"`);
  const pages = expectedPages(accounts, bookmarks);
  if (run.sitePages !== pages) problems.push(`the site served ${run.sitePages} pages, not ${pages}`);
  if (result.pageEvents !== pages) problems.push(`${result.pageEvents} page loads seen, not ${pages}`);
  if (result.doneSteps !== accounts * bookmarks) problems.push(`${result.doneSteps} bookmarks done, not ${accounts * bookmarks}`);
  if (run.kind === 'ours') {
    if (JSON.stringify(result.boxes) !== JSON.stringify(['网摘提交完毕！'])) problems.push(`message boxes ${JSON.stringify(result.boxes)}`);
    if (result.logErrors !== 0) problems.push(`${result.logErrors} error lines in the run log`);
  }
  return problems;
}

