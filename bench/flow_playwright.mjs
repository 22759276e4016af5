// The scripted-browser side of bench/run: the same page flow as the program's run of a variant of the
// demonstration site, in Debian's chromium, headless, with a fresh user-data directory, written two ways:
//   usual   the usual Playwright way: goto, fill each field, click and wait for the navigation;
//   quick   the quickest script a Playwright user would write: goto, then one page.evaluate that fills
//           every field and presses the button (one round trip, no actionability checks), waiting
//           for the next page's load as the program does.
//
//   node flow_playwright.mjs SITE VARIANT ACCOUNTS BOOKMARKS usual|quick
//
// Prints "ready" once the browser has started, waits for "go" on its input, runs the flow, prints
// "progress N" after each bookmark and "result {json}" at the end. bench/run checks the site's record.
import { chromium } from 'playwright-core';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { createInterface } from 'node:readline';
import { benchBookmark, joinedTags, BROWSER_FLAGS } from './flow_common.mjs';

const [base, variant, accountsArg, bookmarksArg, mode] = process.argv.slice(2);
const accounts = Math.max(1, parseInt(accountsArg, 10) || 1);
const bookmarks = Math.max(1, parseInt(bookmarksArg, 10) || 1);
const quick = mode === 'quick';
const root = `${base}/${variant}`;

const nowMs = () => Number(process.hrtime.bigint()) / 1e6;
const input = createInterface({ input: process.stdin });
const lines = input[Symbol.asyncIterator]();

const profile = mkdtempSync(join(tmpdir(), 'tvx-bench-profile-'));
const launchStart = nowMs();
const context = await chromium.launchPersistentContext(profile, {
  executablePath: '/usr/bin/chromium',
  headless: true,
  args: BROWSER_FLAGS,
});
const page = context.pages()[0] ?? (await context.newPage());
const launchMs = nowMs() - launchStart;

let loads = 0;
page.on('load', () => ++loads);

// Fills the fields named by id and presses the button, in the page, in one round trip.
function fillAndPress([values, checks, button]) {
  for (const [id, value] of values) document.getElementById(id).value = value;
  for (const id of checks) document.getElementById(id).checked = true;
  (document.getElementById(button) ?? document.getElementsByName(button)[0]).click();
}

async function login(a) {
  await page.goto(`${root}/login`);
  if (quick) {
    await Promise.all([page.waitForNavigation(), page.evaluate(fillAndPress, [[['f_uid', `${variant}-user${a}`], ['f_pwd', `pw${a}`]], [], 'dologin'])]);
    return;
  }
  await page.fill('#f_uid', `${variant}-user${a}`);
  await page.fill('#f_pwd', `pw${a}`);
  await Promise.all([page.waitForNavigation(), page.click('input[name="dologin"]')]);
}

async function submit(b) {
  await page.goto(`${root}/submit`);
  if (quick) {
    const values = [['f_title', b.title], ['f_url', b.url], ['f_tags', joinedTags(b.tags)], ['f_source', 'Tavrinex']];
    await Promise.all([page.waitForNavigation(), page.evaluate(fillAndPress, [values, ['f_private'], 'f_post'])]);
    return;
  }
  await page.fill('#f_title', b.title);
  await page.fill('#f_url', b.url);
  await page.fill('#f_tags', joinedTags(b.tags));
  await page.check('#f_private');
  await page.fill('#f_source', 'Tavrinex');
  await Promise.all([page.waitForNavigation(), page.click('#f_post')]);
}

console.log('ready');
const go = await lines.next();
if (go.done || !go.value.startsWith('go')) process.exit(1);

const start = nowMs();
let done = 0;
for (let a = 1; a <= accounts; a++) {
  await login(a);
  for (let i = 1; i <= bookmarks; i++) {
    await submit(benchBookmark(i));
    console.log(`progress ${++done}`);
  }
  await page.goto(`${root}/logout`);
}
const wallMs = nowMs() - start;
const loadsSeen = loads;

const closeStart = nowMs();
await context.close();
const closeMs = nowMs() - closeStart;
rmSync(profile, { recursive: true, force: true });
console.log(`result ${JSON.stringify({ wallMs, pageEvents: loadsSeen, doneSteps: done, launchMs, closeMs })}`);
input.close();
