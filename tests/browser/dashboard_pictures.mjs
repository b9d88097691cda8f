// Pictures of each of zando-dashboard's pages at a laptop's, a desktop's and a phone's size, taken in
// headless Chromium for the README and docs/dashboard.
//   ZANDO_URL  ZANDO_KEY  ZANDO_PICTURES (the folder)  [ZANDO_CHROMIUM]
import { mkdirSync } from 'node:fs';
import { chromium } from '../../dashboard/web/node_modules/playwright-core/index.mjs';

const base = process.env.ZANDO_URL;
const folder = process.env.ZANDO_PICTURES;
mkdirSync(folder, { recursive: true });
const browser = await chromium.launch({
  executablePath: process.env.ZANDO_CHROMIUM || '/usr/bin/chromium',
  args: ['--disable-dev-shm-usage', ...(process.getuid() === 0 ? ['--no-sandbox'] : [])],
});
try {
  for (const [width, height] of [[1280, 720], [1920, 1080], [390, 844]]) {
    const context = await browser.newContext({ viewport: { width, height }, deviceScaleFactor: 1 });
    const page = await context.newPage();
    await page.goto(`${base}/signin`);
    await page.screenshot({ path: `${folder}/signin-${width}x${height}.png` });
    await Promise.all([page.waitForURL(`${base}/`), page.goto(`${base}/signin#key=${encodeURIComponent(process.env.ZANDO_KEY)}`)]);
    await page.goto(`${base}/matches`);
    const match = await page.locator('#matches tbody tr a').first().getAttribute('href');
    for (const [name, address] of [['overview', '/'], ['matches', '/matches'], ['match', match], ['zones', '/zones'],
                                   ['compare', '/compare']]) {
      await page.goto(`${base}${address}`);
      await page.screenshot({ path: `${folder}/${name}-${width}x${height}.png`, fullPage: true });
    }
    await context.close();
  }
} finally {
  await browser.close();
}
console.log(`pictures written to ${folder}`);
