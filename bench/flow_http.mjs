// The floor of bench/run: the same HTTP requests as the page flow, made by a plain HTTP client (Node's
// http module, one kept-alive connection, no browser): per account the login form, the login, per
// bookmark the submit form and the submission, the log-out; on the heavy variant also every style
// sheet, script, font and image the pages name, each once, as a browser with a cache fetches them.
// What the site itself costs, so that every other figure can be read against it.
//
//   node flow_http.mjs SITE VARIANT ACCOUNTS BOOKMARKS
//
// Speaks like flow_playwright.mjs: "ready", waits for "go", "progress N", "result {json}".
import http from 'node:http';
import { createInterface } from 'node:readline';
import { benchBookmark, joinedTags } from './flow_common.mjs';

const [base, variant, accountsArg, bookmarksArg] = process.argv.slice(2);
const accounts = Math.max(1, parseInt(accountsArg, 10) || 1);
const bookmarks = Math.max(1, parseInt(bookmarksArg, 10) || 1);
const agent = new http.Agent({ keepAlive: true, maxSockets: 1 });
const cookies = new Map();
const fetched = new Set();
let documents = 0;

const nowMs = () => Number(process.hrtime.bigint()) / 1e6;

function request(method, path, form) {
  const body = form ? new URLSearchParams(form).toString() : null;
  const headers = { Cookie: [...cookies].map(([k, v]) => `${k}=${v}`).join('; ') };
  if (body !== null) {
    headers['Content-Type'] = 'application/x-www-form-urlencoded';
    headers['Content-Length'] = Buffer.byteLength(body);
  }
  return new Promise((resolve, reject) => {
    const req = http.request(new URL(path, base), { method, agent, headers }, (res) => {
      const chunks = [];
      res.on('data', (c) => chunks.push(c));
      res.on('end', () => {
        for (const line of res.headers['set-cookie'] ?? []) {
          const [pair, ...attrs] = line.split(';');
          const eq = pair.indexOf('=');
          const name = pair.slice(0, eq).trim();
          if (attrs.some((a) => /^\s*max-age=0/i.test(a))) cookies.delete(name);
          else cookies.set(name, pair.slice(eq + 1));
        }
        resolve({ status: res.statusCode, type: res.headers['content-type'] ?? '', text: Buffer.concat(chunks).toString('utf8') });
      });
      res.on('error', reject);
    });
    req.on('error', reject);
    if (body !== null) req.write(body);
    req.end();
  });
}

// A page of the flow, and on first sight each asset it names (and those its style sheets name).
async function pageRequest(method, path, form) {
  const res = await request(method, path, form);
  if (res.type.startsWith('text/html')) ++documents;
  await assets(res.text, path);
  return res;
}

async function assets(text, from) {
  const names = [...text.matchAll(/(?:href|src)="([^"]+\.(?:css|js|png|ttf))"/g), ...text.matchAll(/url\(([^)"]+)\)/g)].map((m) => new URL(m[1], new URL(from, base)).pathname);
  for (const path of names) {
    if (fetched.has(path)) continue;
    fetched.add(path);
    const res = await request('GET', path);
    if (path.endsWith('.css')) await assets(res.text, path);
  }
}

const input = createInterface({ input: process.stdin });
const lines = input[Symbol.asyncIterator]();
console.log('ready');
const go = await lines.next();
if (go.done || !go.value.startsWith('go')) process.exit(1);

const root = `/${variant}`;
const start = nowMs();
let done = 0;
for (let a = 1; a <= accounts; a++) {
  await pageRequest('GET', `${root}/login`);
  await pageRequest('POST', `${root}/login`, { uid: `${variant}-user${a}`, pwd: `pw${a}`, dologin: '登录' });
  for (let i = 1; i <= bookmarks; i++) {
    const b = benchBookmark(i);
    await pageRequest('GET', `${root}/submit`);
    await pageRequest('POST', `${root}/submit`, { title: b.title, url: b.url, tags: joinedTags(b.tags), summary: '页面原有的摘要', other1: '1', other2: 'Tavrinex' });
    console.log(`progress ${++done}`);
  }
  await pageRequest('GET', `${root}/logout`);
}
const wallMs = nowMs() - start;
agent.destroy();
console.log(`result ${JSON.stringify({ wallMs, pageEvents: documents, doneSteps: done, assets: fetched.size })}`);
input.close();
