// Drives zando-dashboard's pages in headless Chromium (Debian's, through playwright-core) and checks
// them against the figures the calling test worked out: sign-in, every page's figures, the charts,
// filters, sorting and pages of the list, hostile text shown as text, another account's match refused,
// sign-out, no console error, and what a browser can check of accessibility (labels, text
// alternatives of charts, contrast of text).
//   ZANDO_URL  ZANDO_KEY  ZANDO_OTHER_KEY  ZANDO_EMPTY_KEY (an account without a match)
//   ZANDO_EXPECTED (a JSON file)  [ZANDO_CHROMIUM]
import { readFileSync } from 'node:fs';
import { chromium } from '../../dashboard/web/node_modules/playwright-core/index.mjs';

const base = process.env.ZANDO_URL;
const expected = JSON.parse(readFileSync(process.env.ZANDO_EXPECTED, 'utf8'));
const failures = [];
const refusedPages = new Set();
function check(condition, what) {
  if (!condition) failures.push(what);
}
function same(actual, wanted, what) {
  check(JSON.stringify(actual) === JSON.stringify(wanted), `${what}: ${JSON.stringify(actual)}, not ${JSON.stringify(wanted)}`);
}

const browser = await chromium.launch({
  executablePath: process.env.ZANDO_CHROMIUM || '/usr/bin/chromium',
  // Chromium's sandbox cannot start as root (CI runs as root).
  args: ['--disable-dev-shm-usage', ...(process.getuid() === 0 ? ['--no-sandbox'] : [])],
});

// A browser context of its own, with every console error and uncaught fault of its pages recorded.
async function newPage(options = {}) {
  const context = await browser.newContext({ viewport: { width: 1280, height: 720 }, ...options });
  const page = await context.newPage();
  page.on('console', (message) => {
    // Chromium reports a page answered 404 as an error: expected where the test asks for one.
    if (message.type() === 'error' && !(refusedPages.has(page.url()) && message.text().includes('status of 404')))
      failures.push(`console error on ${page.url()}: ${message.text()}`);
  });
  page.on('pageerror', (error) => failures.push(`script fault on ${page.url()}: ${error.message}`));
  page.on('dialog', (dialog) => {
    failures.push(`a dialog opened: ${dialog.message()}`);
    dialog.dismiss();
  });
  return page;
}

async function signIn(page, key) {
  await page.goto(`${base}/signin`);
  await page.getByLabel('API key').fill(key);
  await Promise.all([page.waitForURL(`${base}/`), page.getByRole('button', { name: 'Sign in' }).click()]);
}

// Clicks what leads to another page and waits until that page has loaded: reading the page before
// it has would read the one being left, or nothing.
async function follow(page, target) {
  await Promise.all([page.waitForNavigation({ waitUntil: 'load' }), target.click()]);
}

const text = (page, selector) => page.locator(selector).innerText();
const rows = (page, selector) =>
  page.$$eval(`${selector} tbody tr`, (trs) => trs.map((tr) => [...tr.children].map((cell) => cell.textContent.trim())));

// Each chart drawn (its canvas holds more than one colour) with one point a match, and described.
async function chartsDrawn(page, points) {
  const charts = await page.$$eval('.chart', (elements) =>
    elements.map((element) => {
      const canvas = element.querySelector('canvas');
      let colours = 0;
      if (canvas) {
        const pixels = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
        const seen = new Set();
        for (let i = 0; i < pixels.length && seen.size < 3; i += 4 * 7) seen.add(pixels.slice(i, i + 4).join());
        colours = seen.size;
      }
      const option = globalThis.echarts?.getInstanceByDom(element)?.getOption();
      return { id: element.id, colours, label: element.getAttribute('aria-label') || '', role: element.getAttribute('role'),
               points: option ? option.series[0].data.length : -1 };
    }));
  check(charts.length > 0, `${page.url()} has a chart`);
  for (const chart of charts) {
    check(chart.colours > 1, `chart ${chart.id} on ${page.url()} is drawn`);
    check(chart.role === 'img' && chart.label.length > 20, `chart ${chart.id} has a text alternative`);
    if (points !== undefined) same(chart.points, points, `points of chart ${chart.id}`);
  }
  return charts;
}

// Labels of controls, and contrast of every text against the background it is drawn on.
async function accessible(page) {
  const problems = await page.evaluate(() => {
    const found = [];
    for (const control of document.querySelectorAll('input:not([type=hidden]), select, textarea')) {
      if (!(control.labels?.length || control.getAttribute('aria-label'))) found.push(`control ${control.name} has no label`);
    }
    for (const chart of document.querySelectorAll('.chart')) {
      const figure = chart.closest('figure');
      if (!figure?.querySelector('table') && !document.querySelector('#trend-table')) found.push(`chart ${chart.id} has no table`);
    }
    const rgba = (text) => (text.match(/[\d.]+/g) || []).map(Number);
    const luminance = ([r, g, b]) => {
      const channel = (v) => ((v /= 255) <= 0.03928 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4);
      return 0.2126 * channel(r) + 0.7152 * channel(g) + 0.0722 * channel(b);
    };
    const background = (element) => {
      for (let at = element; at; at = at.parentElement) {
        const colour = rgba(getComputedStyle(at).backgroundColor);
        if (colour.length === 3 || colour[3] > 0) return colour;
      }
      return [255, 255, 255];
    };
    const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
    for (let node = walker.nextNode(); node; node = walker.nextNode()) {
      const element = node.parentElement;
      if (!node.textContent.trim() || !element.getClientRects().length || element.closest('.chart, script')) continue;
      const ratio = (a, b) => (Math.max(a, b) + 0.05) / (Math.min(a, b) + 0.05);
      const contrast = ratio(luminance(rgba(getComputedStyle(element).color)), luminance(background(element)));
      if (contrast < 4.5) found.push(`"${node.textContent.trim().slice(0, 30)}" has contrast ${contrast.toFixed(2)}`);
    }
    return found;
  });
  for (const problem of problems) failures.push(`${page.url()}: ${problem}`);
}

try {
  // Without a sign-in no page and no page API answers.
  const stranger = await newPage();
  await stranger.goto(`${base}/matches`);
  same(new URL(stranger.url()).pathname, '/signin', 'a page without sign-in goes to');
  same((await stranger.request.get(`${base}/api/matches`)).status(), 401, 'the API without sign-in');
  await stranger.getByLabel('API key').fill('zk_not_a_key');
  await follow(stranger, stranger.getByRole('button', { name: 'Sign in' }));
  check((await text(stranger, 'main')).includes('not known'), 'a wrong key is said to be unknown');
  await accessible(stranger);

  const page = await newPage();
  await signIn(page, process.env.ZANDO_KEY);

  // Overview: counts, the session per playlist, the newest match, eight charts of one point a match.
  check((await text(page, '#match-count')).startsWith(`${expected.matches} matches`), 'the overview counts every match');
  const session = await rows(page, '#session');
  same(session.length, Object.keys(expected.session).length, 'playlists of the session');
  for (const [playlist, matches, wins, losses, gained] of session) {
    const wanted = expected.session[playlist];
    check(wanted !== undefined, `the session's playlist ${playlist} was played`);
    if (wanted) same([Number(matches), Number(wins), Number(losses), gained], [wanted.matches, wanted.wins, wanted.losses, wanted.gained], `session of ${playlist}`);
  }
  const newest = (await rows(page, '#last-matches'))[0];
  same([newest[4], newest[5]], [String(expected.newest.shots), String(expected.newest.goals)], 'shots and goals of the newest match');
  same((await chartsDrawn(page, expected.charted)).length, 8, 'trend charts');
  check((await text(page, '#trend-playlist')).startsWith(`${expected.mostPlayed}, the playlist you play most`),
        'the trends are of the playlist played most');
  await accessible(page);

  // Filters: the hostile playlist alone, then a date range holding only January.
  await page.getByLabel('Playlist').selectOption({ label: expected.hostile });
  await follow(page, page.getByRole('button', { name: 'Show' }));
  check((await text(page, '#trend-count')).startsWith('1 match charted'), 'the playlist filter charts its one match');
  await chartsDrawn(page, 1);
  await page.goto(`${base}/?from=2026-01-01&to=2026-01-31&last=all&playlist=`);
  check((await text(page, '#trend-count')).startsWith(`${expected.januaryMatches} matches`), 'the date filter charts January');
  await page.goto(`${base}/?last=10`);
  check((await text(page, '#trend-count')).startsWith('10 matches'), 'the last 10');
  const scripts = await page.$$eval('script', (all) => all.map((s) => s.getAttribute('src') || s.type));
  same(scripts, ['application/json', '/assets/echarts.min.js', '/assets/pages.js'], 'scripts of the page');
  await follow(page, page.getByRole('link', { name: 'its licence' }));
  check((await page.locator('body').innerText()).includes('Apache License'), 'the chart library\'s licence is served');
  await page.goBack();

  // Matches: 25 a page, sorted by a heading, the second page holding the rest.
  await follow(page, page.getByRole('link', { name: 'Matches', exact: true }));
  same((await rows(page, '#matches')).length, 25, 'rows of the first page');
  same(await text(page, '#page-of'), `Page 1 of ${Math.ceil(expected.matches / 25)}`, 'pages');
  await follow(page, page.getByRole('link', { name: 'Shots' }));
  same((await rows(page, '#matches'))[0][4], String(expected.mostShots), 'most shots first');
  await follow(page, page.getByRole('link', { name: /Shots/ }));
  same((await rows(page, '#matches'))[0][4], String(expected.fewestShots), 'fewest shots first after a second click');
  await follow(page, page.getByRole('link', { name: 'Next' }));
  same((await rows(page, '#matches')).length, expected.matches - 25, 'rows of the last page');
  await page.goto(`${base}/matches`);
  const listed = await text(page, '#matches');
  check(listed.includes(expected.hostile), 'the hostile playlist is shown as its text');
  check(!(await page.evaluate(() => 'hacked' in window)), 'the hostile playlist ran no script');
  await accessible(page);

  // One match: its figures beside the playlist's average and its shots drawn on the field.
  await follow(page, page.locator('#matches tbody tr a').first());
  const figures = await rows(page, '#figures');
  const named = figures.map((row) => row[0]);
  same([...new Set(named)], named, 'each figure of the match page once');
  same(figures.find((row) => row[0] === 'Shots')?.[1], String(expected.newest.shots), 'the match page\'s shots');
  await chartsDrawn(page);
  await accessible(page);
  const ownMatch = page.url();

  await page.goto(`${base}/matches`);
  await follow(page, page.locator('#matches tbody tr a').nth(expected.fieldMatch.row));
  // A match sent whole (the session's of the most goals): its result, and its shots and goals on the
  // field to scale, each goal's ball inside the goal the player attacked, both goals named from the
  // player's side.
  same(await text(page, '#result'), expected.fieldMatch.result, 'the match page\'s result');
  same(await page.locator('svg.field .place').count(), expected.fieldMatch.places, 'shots and goals on the field');
  same(String(await page.locator('svg.field .goal-place').count()), expected.fieldMatch.goals, 'goals on the field');
  const attacked = expected.fieldMatch.team === 0 ? '.goal-orange' : '.goal-blue';
  const outside = await page.evaluate((goal) => {
    const box = document.querySelector(`svg.field ${goal}`).getBoundingClientRect();
    return [...document.querySelectorAll('svg.field .goal-place .ball')].map((ball) => ball.getBoundingClientRect())
      .filter((b) => { const x = b.x + b.width / 2, y = b.y + b.height / 2; return x < box.left || x > box.right || y < box.top || y > box.bottom; }).length;
  }, attacked);
  same(outside, 0, 'every goal\'s ball inside the goal attacked');
  const labels = await page.locator('svg.field .goal-label').allTextContents();
  check(labels.some((l) => l.endsWith('(yours)')) && labels.some((l) => l.startsWith('Blue goal')) && labels.some((l) => l.startsWith('Orange goal')),
        `both goals labelled: ${labels}`);
  await accessible(page);

  // Zones: the shots per block, the uploads' grids turned back into shots.
  await page.goto(`${base}/zones?last=all`);
  const grid = (await rows(page, '#zones-table')).map((row) => row.slice(1).map(Number));
  same(grid, expected.zones, 'shots per block');
  await chartsDrawn(page);
  // Hovering a block shows its shots.
  const [column, row] = expected.zones.flatMap((cells, r) => cells.map((count, c) => [c, r, count])).find((cell) => cell[2] > 0);
  const box = await page.locator('#zones').boundingBox();
  await page.mouse.move(box.x + 36 + (box.width - 52) * (column + 0.5) / 10, box.y + 8 + (box.height - 64) * (row + 0.5) / 10);
  await page.waitForTimeout(300);
  const tip = await page.evaluate(() => [...document.querySelectorAll('#zones div')].map((d) => d.textContent).join(' '));
  check(tip.includes(`Row ${row + 1}, column ${column + 1}: ${expected.zones[row][column]} shot`), `the hovered block's shots: ${tip}`);
  // The session's shots and goals on the field to scale: the squares' table sums to them, a square drawn for
  // each row of it, the player's goal on the left and the one attacked on the right, the picture described.
  const squares = await rows(page, '#place-cells');
  same([2, 3].map((c) => squares.reduce((sum, cells) => sum + Number(cells[c]), 0)), expected.placed, 'shots and goals placed');
  same(await page.locator('#place-density .cell').count(), squares.length, 'a square drawn for each row of the table');
  const ends = await page.$$eval('#place-density .goal-label', (all) => all.map((l) => [l.textContent, l.getBoundingClientRect().x]));
  check(ends.length === 2 && ends[0][0] === 'Your goal' && ends[1][0] === 'The goal you attack' && ends[0][1] < ends[1][1],
        `the density's goals labelled, the player's on the left: ${ends}`);
  check((await page.getAttribute('#place-density svg', 'aria-label')).includes(`${expected.placed[0]} shots`), 'the density described');
  await accessible(page);

  // Compare: opened, the account's last 30 days beside the 30 before; a public account (offered by name) beside this one,
  // of every playlist or of one, with the difference; an account that is not public is refused.
  await page.goto(`${base}/compare`);
  const heads = await page.$$eval('#comparison thead th', (ths) => ths.map((th) => th.textContent));
  check(heads.length === 4 && heads[1] !== heads[2] && heads[3].startsWith('Difference'), `compare opens on two periods: ${heads}`);
  // The accounts offered: this one and the public one, not one that is not public.
  const offered = await page.$$eval('#accounts option', (options) => options.map((option) => option.value));
  check(offered.includes(expected.publicAccount) && offered.length === 2, `accounts offered to compare: ${offered}`);
  await page.goto(`${base}/compare?account2=${expected.publicAccount}`);
  same((await rows(page, '#comparison'))[0].slice(1), [String(expected.matches), '1', String(1 - expected.matches)], 'matches compared');
  await page.goto(`${base}/compare?account2=${expected.publicAccount}&playlist=Ranked+Doubles`);
  same((await rows(page, '#comparison'))[0].slice(1, 3), [String(expected.rankedDoubles), '1'], 'matches of a playlist compared');
  await page.goto(`${base}/compare?account2=nobody`);
  check((await text(page, 'main')).includes('No public account is named "nobody"'), 'an unknown account is refused');
  await accessible(page);

  // Times in the reader's time zone (Tokyo: UTC+9, no summer time).
  const tokyo = await newPage({ timezoneId: 'Asia/Tokyo' });
  await signIn(tokyo, process.env.ZANDO_KEY);
  await tokyo.goto(`${base}/matches`);
  const [utc, shown] = await tokyo.$eval('#matches tbody time', (time) => [time.dateTime, time.textContent]);
  same(shown, new Date(Date.parse(utc) + 9 * 3600e3).toISOString().slice(0, 16).replace('T', ' '), 'a match\'s time in Tokyo');

  // A phone (390 x 844): every page fits its width, and the columns its tables of matches and figures
  // keep are in view (a table of every charted figure scrolls).
  const phone = await newPage({ viewport: { width: 390, height: 844 } });
  await signIn(phone, process.env.ZANDO_KEY);
  for (const address of ['/', '/matches', new URL(ownMatch).pathname, `/compare?account2=${expected.publicAccount}`, '/zones']) {
    await phone.goto(`${base}${address}`);
    const cut = await phone.evaluate(() => [
      ...(document.documentElement.scrollWidth > innerWidth
        ? [`the page is ${document.documentElement.scrollWidth} px wide: ${[...document.querySelectorAll('body *')]
            .filter((e) => e.getBoundingClientRect().right > innerWidth + 0.5 && !e.closest('.table-wrap'))
            .slice(-3).map((e) => `${e.tagName}.${e.className}`).join(', ')}`]
        : []),
      ...[...document.querySelectorAll(['#session', '#last-matches', '#matches', '#figures', '#comparison'].map((t) => `${t} th`).join())]
        .filter((th) => th.getClientRects().length && th.getBoundingClientRect().right > innerWidth + 0.5)
        .map((th) => `"${th.textContent}" ends at ${Math.round(th.getBoundingClientRect().right)} px`),
    ]);
    same(cut, [], `${address} on a phone`);
  }
  await phone.goto(base);
  same(await phone.$$eval('#session thead th', (ths) => ths.at(-1).textContent), 'MMR gained', 'the session\'s last column on a phone');

  // Another account, signed in by its sign-in link, opens its own matches only, by address too.
  const other = await newPage();
  await Promise.all([
    other.waitForURL(`${base}/`),
    other.goto(`${base}/signin#key=${encodeURIComponent(process.env.ZANDO_OTHER_KEY)}`),
  ]);
  check((await text(other, 'header')).includes(expected.publicAccount), 'the sign-in link signs its account in');
  refusedPages.add(ownMatch);
  const refused = await other.goto(ownMatch);
  same(refused.status(), 404, 'another account\'s match page');
  same((await other.request.get(ownMatch.replace('/matches/', '/api/matches/'))).status(), 404, 'another account\'s match by the API');

  // An account without a match is told how to point ZANDO at this server, on every page.
  const empty = await newPage();
  await signIn(empty, process.env.ZANDO_EMPTY_KEY);
  for (const address of ['/', '/matches', '/zones']) {
    await empty.goto(`${base}${address}`);
    const said = await text(empty, 'main');
    check(said.includes('No matches yet') && said.includes(`zando_server_url ${base}`), `${address} without a match says what to do`);
  }
  await accessible(empty);

  // Signing out ends access, in the page and in the API.
  await Promise.all([page.waitForURL(`${base}/signin`), page.getByRole('button', { name: 'Sign out' }).click()]);
  await page.goto(`${base}/`);
  same(new URL(page.url()).pathname, '/signin', 'after sign-out the overview goes to');
  same((await page.request.get(`${base}/api/summary`)).status(), 401, 'the API after sign-out');
} catch (error) {
  failures.push(`stopped: ${error.stack || error}`);
} finally {
  await browser.close();
}

if (failures.length) {
  console.log(failures.join('\n'));
  process.exit(1);
}
console.log('every check passed');
