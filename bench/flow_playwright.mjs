// The scripted-browser side of bench/run: the same page flow as the program's run of the "byid" site,
// written the usual Playwright way (goto, fill each field, click and wait for the navigation), in
// Debian's chromium, headless, with a fresh user-data directory.
//
//   node flow_playwright.mjs SITE ACCOUNTS BOOKMARKS
//
// Prints "ready" once the browser has started, waits for "go" on its input, runs the flow, prints
// "progress N" after each bookmark and "result {json}" at the end. bench/run checks the site's record.
import { chromium } from 'playwright-core';
import { mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { createInterface } from 'node:readline';
import { benchBookmark, joinedTags, BROWSER_FLAGS } from './flow_common.mjs';

const [base, accountsArg, bookmarksArg] = process.argv.slice(2);
const accounts = Math.max(1, parseInt(accountsArg, 10) || 1);
const bookmarks = Math.max(1, parseInt(bookmarksArg, 10) || 1);

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

console.log('ready');
const go = await lines.next();
if (go.done || !go.value.startsWith('go')) process.exit(1);

const start = nowMs();
let done = 0;
for (let a = 1; a <= accounts; a++) {
  await page.goto(`${base}/byid/login`);
  await page.fill('#f_uid', `byid-user${a}`);
  await page.fill('#f_pwd', `pw${a}`);
  await Promise.all([page.waitForNavigation(), page.click('input[name="dologin"]')]);
  for (let i = 1; i <= bookmarks; i++) {
    const b = benchBookmark(i);
    await page.goto(`${base}/byid/submit`);
    await page.fill('#f_title', b.title);
    await page.fill('#f_url', b.url);
    await page.fill('#f_tags', joinedTags(b.tags));
    await page.check('#f_private');
    await page.fill('#f_source', 'Tavrinex');
    await Promise.all([page.waitForNavigation(), page.click('#f_post')]);
    console.log(`progress ${++done}`);
  }
  await page.goto(`${base}/byid/logout`);
}
const wallMs = nowMs() - start;
const loadsSeen = loads;

const closeStart = nowMs();
await context.close();
const closeMs = nowMs() - closeStart;
rmSync(profile, { recursive: true, force: true });
console.log(`result ${JSON.stringify({ wallMs, pageEvents: loadsSeen, doneSteps: done, launchMs, closeMs })}`);
input.close();
