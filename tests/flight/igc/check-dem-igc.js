#!/usr/bin/env node
// Flies glider-flight over an elevation model written here (an ESRI ASCII
// grid in WGS-84 degrees with a hill at a known place) and reads the IGC log
// back with an independent parser: the log must lie where the raster says,
// at altitudes above sea level.
// Usage: node check-dem-igc.js PATH/TO/glider-flight
'use strict';

const assert = require('assert');
const { execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const IGCParser = require('igc-parser');

const program = process.argv[2];
const RADIAN = Math.PI / 180;

// WGS-84 radii of curvature: metres per radian along the meridian and, over
// cos(latitude), along the parallel.
const A = 6378137;
const F = 1 / 298.257223563;
const E2 = F * (2 - F);
const meridianRadius = (lat) => (A * (1 - E2)) / Math.pow(1 - E2 * Math.sin(lat * RADIAN) ** 2, 1.5);
const normalRadius = (lat) => A / Math.sqrt(1 - E2 * Math.sin(lat * RADIAN) ** 2);

// The hill: 450 m over a 900 m plain, 1500 m standard deviation, its top on
// a cell's centre (the raster holds the top's height itself) and on whole
// thousandths of a minute (1/2400 degree is 25 of them), so that the log can
// name it exactly.
const HILL = { latitude: 46.45 + 1 / 2400, longitude: 7.45 + 1 / 2400, base: 900, rise: 450, sigma: 1500 };
const CENTRE = { latitude: 46.46, longitude: 7.46 };

function height(lat, lon) {
  const dx = (lon - HILL.longitude) * RADIAN * normalRadius(HILL.latitude) * Math.cos(HILL.latitude * RADIAN);
  const dy = (lat - HILL.latitude) * RADIAN * meridianRadius(HILL.latitude);
  return HILL.base + HILL.rise * Math.exp(-(dx * dx + dy * dy) / (2 * HILL.sigma * HILL.sigma));
}

// 0.1 x 0.1 degrees of 3" cells over 46.4..46.5 N, 7.4..7.5 E.
function writeGrid(file) {
  const n = 120;
  const cell = 1 / 1200;
  const west = 7.4;
  const south = 46.4;
  const lines = [`ncols ${n}`, `nrows ${n}`, `xllcorner ${west}`, `yllcorner ${south}`, `cellsize ${cell}`,
                 'NODATA_value -9999'];
  for (let j = 0; j < n; j += 1) {
    const lat = south + (n - j - 0.5) * cell;
    const row = [];
    for (let i = 0; i < n; i += 1) {
      row.push(height(lat, west + (i + 0.5) * cell).toFixed(3));
    }
    lines.push(row.join(' '));
  }
  fs.writeFileSync(file, lines.join('\n') + '\n');
  fs.writeFileSync(file.replace(/\.asc$/, '.prj'),
                   'GEOGCS["GCS_WGS_1984",DATUM["D_WGS_1984",SPHEROID["WGS_1984",6378137.0,298.257223563]],' +
                   'PRIMEM["Greenwich",0.0],UNIT["Degree",0.0174532925199433]]\n');
}

// The local map's metres back to degrees around the centre: along the
// meridian, along the parallel, less the parallel's curvature away from the
// map's x axis. Within centimetres over a few kilometres.
function geographicOf(x, y) {
  let latitude = CENTRE.latitude;
  for (let k = 0; k < 3; k += 1) {
    const curvature = (x * x * Math.tan(latitude * RADIAN)) / (2 * normalRadius(latitude));
    const middle = 0.5 * (CENTRE.latitude + latitude);
    latitude = CENTRE.latitude + (y - curvature) / meridianRadius(middle) / RADIAN;
  }
  const longitude = CENTRE.longitude + x / (normalRadius(latitude) * Math.cos(latitude * RADIAN)) / RADIAN;
  return { latitude, longitude };
}

function readCsv(file) {
  const lines = fs.readFileSync(file, 'utf8').trim().split('\n');
  assert.strictEqual(lines[0], 'step,time,x,y,z,vx,vy,vz,speed,terrain');
  return lines.slice(1).map((line) => line.split(',').map(Number));
}

function check(directory) {
  const grid = path.join(directory, 'site.asc');
  writeGrid(grid);
  const csvPath = path.join(directory, 'flight.csv');
  const igcPath = path.join(directory, 'flight.igc');
  const startHeight = 300;
  execFileSync(program, ['--dem', grid, '--centre', `${CENTRE.latitude},${CENTRE.longitude}`, '--radius-km', '4',
                         '--spacing', '25', '--start', `${HILL.latitude},${HILL.longitude},${startHeight}`,
                         '--wind', '3,1,0', '--steps', '3000', '--until-landed', '--csv', csvPath,
                         '--igc', igcPath],
               { cwd: directory, stdio: ['ignore', 'ignore', 'pipe'] });
  const rows = readCsv(csvPath);
  const log = IGCParser.parse(fs.readFileSync(igcPath, 'latin1'));
  assert.ok(log.fixes.length >= 3, 'several fixes');

  // The first fix: above the hill's top, its height above sea level plus the
  // start height (the pilot hangs 0.4 m below the hub, 0.2 m behind it).
  const first = log.fixes[0];
  assert.ok(Math.abs(first.latitude - HILL.latitude) <= 1e-5, `start latitude ${first.latitude}`);
  assert.ok(Math.abs(first.longitude - HILL.longitude) <= 1e-5, `start longitude ${first.longitude}`);
  const top = HILL.base + HILL.rise;
  assert.ok(Math.abs(first.gpsAltitude - (top + startHeight - 0.4)) <= 1, `start altitude ${first.gpsAltitude}`);
  assert.ok(Math.abs(rows[0][9] - top) <= 1, `ground under the start ${rows[0][9]}`);

  // Every fix where the CSV says the pilot was, through an independent
  // inverse of the map.
  log.fixes.forEach((fix, k) => {
    const row = rows.find((r) => r[0] === 100 * k);
    assert.ok(row, `a CSV row for step ${100 * k}`);
    const [, , x, y, z] = row;
    const expected = geographicOf(x, y);
    assert.ok(Math.abs(fix.latitude - expected.latitude) <= 1e-5, `latitude ${fix.latitude} vs ${expected.latitude}`);
    assert.ok(Math.abs(fix.longitude - expected.longitude) <= 1e-5,
              `longitude ${fix.longitude} vs ${expected.longitude}`);
    assert.ok(Math.abs(fix.gpsAltitude - z) <= 0.5 + 1e-9, `altitude ${fix.gpsAltitude} vs ${z}`);
  });
  const last = rows[rows.length - 1];
  assert.ok(Math.hypot(last[2], last[3]) > 100, 'the flight went somewhere');
  return log.fixes.length;
}

const directory = fs.mkdtempSync(path.join(os.tmpdir(), 'glider-flight-dem-igc-'));
try {
  const fixes = check(directory);
  console.log(`ok: a flight over an elevation model logged where it flew (${fixes} fixes)`);
} catch (error) {
  console.log(`FAILED: ${error.message}`);
  process.exitCode = 1;
} finally {
  fs.rmSync(directory, { recursive: true, force: true });
}
