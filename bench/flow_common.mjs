// What both sides of bench/run share: the bookmarks (bench_engine.cpp makes the same ones), the record
// the site must hold afterwards, and the scripted browser's command-line flags.

export const BROWSER_FLAGS = [
  '--no-sandbox',
  '--disable-gpu',
  '--disable-background-networking',
  '--disable-component-update',
  '--disable-sync',
  '--no-first-run',
];

export function benchBookmark(n) {
  return {
    url: `http://example.com/bench/${n}?a=1&b=2`,
    title: `书签 ${n} 的标题`,
    tags: '新闻 科技',
    summary: `摘要 ${n}`,
  };
}

// The site's variants the benchmark drives ("byid" and "heavy" share their form and its row); the
// site's own record names them so.
export const VARIANTS = ['byid', 'heavy'];

// The rows of both variants separate categories with ",".
export function joinedTags(tags) {
  return tags.split(' ').join(',');
}

// What the site must have recorded after a run of `accounts` x `bookmarks` on variant `site`, in order.
export function expectedSubmissions(accounts, bookmarks, site = 'byid') {
  const out = [];
  for (let a = 1; a <= accounts; a++)
    for (let i = 1; i <= bookmarks; i++) {
      const b = benchBookmark(i);
      out.push({
        site,
        user: `${site}-user${a}`,
        title: b.title,
        url: b.url,
        tags: joinedTags(b.tags),
        summary: '页面原有的摘要', // not a summary site: the page keeps its own text
        other1: 'true',
        other2: 'Tavrinex',
      });
    }
  return out;
}

// Pages of the flow: per account the login form, the page after login, per bookmark the submit form
// and the result page, and the log-out page.
export function expectedPages(accounts, bookmarks) {
  return accounts * (3 + 2 * bookmarks);
}
