// The dashboard's pages in the browser: a sign-in link's key sent by the sign-in form (it stays out
// of the address and the server's logs), and the charts drawn with ECharts from the figures the page carries.
(function () {
  'use strict';

  const form = document.getElementById('signin-form');
  function signInFromLink() {
    if (!form || !location.hash.startsWith('#key=')) return;
    const key = decodeURIComponent(location.hash.slice('#key='.length));
    history.replaceState(null, '', location.pathname + location.search);
    form.elements.key.value = key;
    form.submit();
  }
  signInFromLink();
  // The link opened where the sign-in page already is changes only the address's fragment.
  window.addEventListener('hashchange', signInFromLink);

  // Times in the reader's own time zone: the page says them in UTC until here.
  const pad = (n) => String(n).padStart(2, '0');
  function local(timestamp) {
    const when = new Date(timestamp);
    if (timestamp.length < 16 || Number.isNaN(when.getTime())) return null;
    return `${when.getFullYear()}-${pad(when.getMonth() + 1)}-${pad(when.getDate())} ${pad(when.getHours())}:${pad(when.getMinutes())}`;
  }
  for (const time of document.querySelectorAll('time[datetime]')) {
    const text = local(time.dateTime);
    if (!text) continue;
    time.title = `${time.textContent} (${Intl.DateTimeFormat().resolvedOptions().timeZone} here)`;
    time.textContent = text;
  }

  const source = document.getElementById('charts');
  if (!source || typeof echarts === 'undefined') return;

  // The overlay's frequency colours, from few shots to the most.
  const FREQUENCY = ['#2878dc', '#50dc64', '#9bff00', '#ffa500', '#ff0000'];
  const TEXT = '#1b1f24';

  function line(chart) {
    return {
      animation: false,
      grid: { left: 48, right: 16, top: 16, bottom: 28 },
      tooltip: { trigger: 'axis', valueFormatter: (v) => (v == null ? '–' : `${Math.round(v * 10) / 10} ${chart.unit}`.trim()) },
      xAxis: { type: 'category', data: chart.labels, axisLabel: { color: TEXT, hideOverlap: true } },
      yAxis: { type: 'value', scale: true, axisLabel: { color: TEXT } },
      series: lines(chart),
    };
  }

  // One line, or one a group (each playlist's rating) holding its own points and gaps elsewhere.
  function lines(chart) {
    const line = (name, data, colour) => ({ name, type: 'line', data, showSymbol: chart.values.length <= 60,
                                            connectNulls: Boolean(chart.groups), lineStyle: { width: 2, color: colour },
                                            itemStyle: { color: colour } });
    if (!chart.groups) return [line(chart.name, chart.values, '#0b5cad')];
    const COLOURS = ['#0b5cad', '#b4441a', '#1e7b34', '#6b3fa0', '#8a6d00', '#a0155a'];
    return [...new Set(chart.groups)].map((group, i) =>
      line(group, chart.values.map((v, at) => (chart.groups[at] === group ? v : null)), COLOURS[i % COLOURS.length]));
  }

  function pitch(chart) {
    const blocks = [...Array(10).keys()].map((i) => String(i + 1));
    return {
      animation: false,
      grid: { left: 36, right: 16, top: 8, bottom: 56, backgroundColor: '#1d4d2b', show: true },
      tooltip: { formatter: (p) => `Row ${p.value[1] + 1}, column ${p.value[0] + 1}: ${p.value[2]} shot${p.value[2] === 1 ? '' : 's'}` },
      xAxis: { type: 'category', data: blocks, splitArea: { show: false }, axisLabel: { color: TEXT } },
      yAxis: { type: 'category', data: blocks, inverse: true, axisLabel: { color: TEXT } },
      visualMap: { min: 0, max: Math.max(1, chart.max), calculable: false, orient: 'horizontal', left: 'center', bottom: 0,
                   itemHeight: 120, inRange: { color: FREQUENCY }, textStyle: { color: TEXT }, text: ['most', 'few'] },
      series: [{ name: 'Shots', type: 'heatmap', data: chart.values.filter((v) => v[2] > 0),
                 itemStyle: { borderColor: '#1d4d2b', borderWidth: 1 }, label: { show: true, color: '#000' } }],
    };
  }

  for (const chart of JSON.parse(source.textContent)) {
    const element = document.getElementById(chart.id);
    if (!element) continue;
    if (chart.times) chart.labels = chart.labels.map((label) => local(label) || label);
    const drawn = echarts.init(element, null, { renderer: 'canvas' });
    const option = chart.kind === 'pitch' ? pitch(chart) : line(chart);
    if (chart.groups) {
      option.legend = { bottom: 0, type: 'scroll', textStyle: { color: TEXT } };
      option.grid.bottom = 56;
    }
    drawn.setOption(option);
    element.dataset.points = String(chart.values.length);
    window.addEventListener('resize', () => drawn.resize());
  }
})();
