// The overview's first paint in headless Chromium: signs in, loads the page five times, prints the
// first contentful paint and the load's end of each (for the pages' benchmark).
//   ZANDO_URL  ZANDO_KEY  [ZANDO_CHROMIUM]
import { chromium } from '../../dashboard/web/node_modules/playwright-core/index.mjs';

const base = process.env.ZANDO_URL;
const browser = await chromium.launch({
  executablePath: process.env.ZANDO_CHROMIUM || '/usr/bin/chromium',
  args: ['--disable-dev-shm-usage', ...(process.getuid() === 0 ? ['--no-sandbox'] : [])],
});
try {
  const page = await browser.newPage({ viewport: { width: 1280, height: 720 } });
  await Promise.all([page.waitForURL(`${base}/`), page.goto(`${base}/signin#key=${encodeURIComponent(process.env.ZANDO_KEY)}`)]);
  const paints = [];
  for (let i = 0; i < 5; ++i) {
    await page.goto(`${base}/`, { waitUntil: 'load' });
    paints.push(await page.evaluate(() => new Promise((resolve) => {
      const load = performance.getEntriesByType('navigation')[0].loadEventEnd;
      new PerformanceObserver((list) => {
        const first = list.getEntries().find((entry) => entry.name === 'first-contentful-paint');
        if (first) resolve({ paint: first.startTime, load });
      }).observe({ type: 'paint', buffered: true });
      setTimeout(() => resolve({ paint: NaN, load }), 3000);
    })));
  }
  paints.sort((a, b) => a.paint - b.paint);
  const median = paints[2];
  console.log(`  overview in Chromium: first contentful paint ${median.paint.toFixed(0)} ms, load ${median.load.toFixed(0)} ms (median of 5)`);
} finally {
  await browser.close();
}
