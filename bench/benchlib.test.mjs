// Tests of what decides bench/run's figures. Run: node --test bench/
import { test } from 'node:test';
import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { median, percentile, slope, treeRss, verify, windowMedian } from './benchlib.mjs';
import { expectedPages, expectedSubmissions } from './flow_common.mjs';

test('median of odd and even counts, unsorted input left alone', () => {
  const input = [5, 1, 3];
  assert.equal(median(input), 3);
  assert.deepEqual(input, [5, 1, 3]);
  assert.equal(median([4, 1, 3, 2]), 2.5);
  assert.ok(Number.isNaN(median([])));
});

test('percentile by nearest rank', () => {
  const hundred = Array.from({ length: 100 }, (_, i) => 100 - i);
  assert.equal(percentile(hundred, 0.99), 99);
  assert.equal(percentile(hundred, 0.5), 50);
  assert.equal(percentile([1, 2, 3, 4, 5, 6, 7, 8, 9, 10], 0.99), 10); // few values: the largest
  assert.equal(percentile([7], 0.99), 7);
});

test('slope of a memory trend', () => {
  assert.equal(slope([[100, 10], [200, 30], [300, 50]]), 0.2);
  assert.equal(slope([[1, 5], [2, 5], [3, 5]]), 0);
  assert.ok(Number.isNaN(slope([[1, 5]])));
  assert.ok(Number.isNaN(slope([[4, 1], [4, 9]])));
});

test('memory at a point is the median of the samples over the following bookmarks', () => {
  // A saw tooth of height 30 and no growth: single samples differ by up to 30, the medians do not.
  const samples = [];
  for (let done = 0; done < 1200; done += 2) samples.push([done, 100 + (done % 50 < 25 ? 0 : 30)]);
  assert.equal(samples.find(([d]) => d === 130)[1] - samples.find(([d]) => d === 1000)[1], 30);
  assert.equal(windowMedian(samples, 100, 200), windowMedian(samples, 1000, 1100));
  // A rise of 40 shows in full.
  const rising = samples.map(([d, v]) => [d, d >= 600 ? v + 40 : v]);
  assert.equal(windowMedian(rising, 1000, 1100) - windowMedian(rising, 100, 200), 40);
  assert.equal(windowMedian([[5, 1], [10, 2], [15, 3]], 10, 15), 2); // from included, to excluded
  assert.equal(windowMedian([[5, 1, 7], [10, 2, 8]], 0, 20, 2), 7.5); // another column
  assert.ok(Number.isNaN(windowMedian(samples, 5000, 5100)));
});

// A run that did all its work, as runSide reports it.
function goodRun(kind, accounts, bookmarks) {
  return {
    kind,
    accounts,
    bookmarks,
    exitCode: 0,
    sitePages: expectedPages(accounts, bookmarks),
    record: {
      submissions: expectedSubmissions(accounts, bookmarks).map((s) => ({ ...s })),
      logins: Array.from({ length: accounts }, (_, a) => ({ site: 'byid', user: `byid-user${a + 1}`, password: `pw${a + 1}` })),
      logouts: Array.from({ length: accounts }, (_, a) => `byid/byid-user${a + 1}`),
    },
    result: { pageEvents: expectedPages(accounts, bookmarks), doneSteps: accounts * bookmarks, boxes: ['网摘提交完毕！'], logErrors: 0 },
  };
}

test('a run that did its work passes', () => {
  assert.deepEqual(verify(goodRun('ours', 2, 3)), []);
  assert.deepEqual(verify(goodRun('playwright', 1, 1)), []);
});

test('the flow has 3 + 2M pages per account', () => {
  assert.equal(expectedPages(2, 50), 206);
  assert.equal(expectedPages(1, 1), 5);
});

test('a missing, reordered or altered submission fails', () => {
  const missing = goodRun('ours', 2, 3);
  missing.record.submissions.pop();
  assert.match(verify(missing).join(), /5 submissions, not 6/);

  const swapped = goodRun('playwright', 2, 2);
  const s = swapped.record.submissions;
  [s[0], s[1]] = [s[1], s[0]];
  assert.match(verify(swapped).join(), /submission 1: title/);

  for (const [field, value] of [['tags', '新闻 科技'], ['url', 'http://example.com/bench/1'], ['other1', 'false'], ['summary', '摘要 1'], ['user', 'byid-user2']]) {
    const run = goodRun('ours', 2, 2);
    run.record.submissions[0][field] = value;
    assert.match(verify(run).join(), new RegExp(`submission 1: ${field}`), field);
  }
});

test('logins, log-outs, pages and exit status are all checked', () => {
  const noLogout = goodRun('ours', 2, 1);
  noLogout.record.logouts.pop();
  assert.match(verify(noLogout).join(), /log-outs/);

  const wrongPassword = goodRun('playwright', 1, 1);
  wrongPassword.record.logins[0].password = 'pw2';
  assert.match(verify(wrongPassword).join(), /logins/);

  const extraPage = goodRun('ours', 1, 2);
  extraPage.sitePages += 1;
  assert.match(verify(extraPage).join(), /served 8 pages, not 7/);

  const unseen = goodRun('playwright', 1, 2);
  unseen.result.pageEvents -= 1;
  assert.match(verify(unseen).join(), /6 page loads seen, not 7/);

  const crashed = goodRun('ours', 1, 1);
  crashed.exitCode = 1;
  assert.match(verify(crashed).join(), /exit code 1/);
});

test("the program's run must end with its completion box and no error line", () => {
  const timedOut = goodRun('ours', 1, 1);
  timedOut.result.logErrors = 1;
  assert.match(verify(timedOut).join(), /error lines/);
  const noBox = goodRun('ours', 1, 1);
  noBox.result.boxes = [];
  assert.match(verify(noBox).join(), /message boxes/);
  const notDone = goodRun('ours', 2, 2);
  notDone.result.doneSteps = 3;
  assert.match(verify(notDone).join(), /3 bookmarks done, not 4/);
});

test('the memory of a process tree counts its descendants', async () => {
  const self = treeRss(process.pid);
  // A child holding 64 MB of its own, touched so that it is resident.
  const child = spawn(process.execPath, ['-e', 'const b = Buffer.alloc(64 * 1024 * 1024, 1); console.log("ok"); setTimeout(() => {}, 30000);'], { stdio: ['ignore', 'pipe', 'ignore'] });
  await new Promise((resolve) => child.stdout.once('data', resolve));
  try {
    const both = treeRss(process.pid, true);
    assert.ok(both.processes >= self.processes + 1, `${both.processes} processes`);
    assert.ok(both.rss - self.rss > 64 * 1024 * 1024, `grew by ${both.rss - self.rss}`);
    assert.ok(both.pss > 64 * 1024 * 1024 && both.pss <= both.rss);
    assert.ok(both.rootRss > 0 && both.rootRss < both.rss - 64 * 1024 * 1024); // the child's memory is not the root's
    assert.equal(treeRss(2 ** 22 + 12345).processes, 0); // no such process
  } finally {
    child.kill();
  }
});
