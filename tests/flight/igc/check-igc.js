#!/usr/bin/env node
// Flies glider-flight with IGC output and reads the logs back with an
// independent parser, comparing every fix with the CSV of the same run.
// Usage: node check-igc.js PATH/TO/glider-flight
'use strict';

const assert = require('assert');
const { execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const IGCParser = require('igc-parser');

const program = process.argv[2];
const EARTH_RADIUS = 6371000; // metres
const DEGREES = 180 / Math.PI;

const flights = [
  {
    name: 'default origin, keys',
    args: ['--steps', '3000', '--generated-terrain', '--key', '0:left', '--key', '400:up'],
    origin: [45.0, 6.0, 500], date: '2000-01-01',
  },
  {
    name: 'south-west, next to whole minutes, altitude at the floor',
    args: ['--steps', '1500', '--generated-terrain', '--origin', '-33.999999,-70.999999,0',
           '--date', '1999-12-31'],
    origin: [-33.999999, -70.999999, 0], date: '1999-12-31',
  },
  {
    name: 'below sea level: negative altitudes',
    args: ['--steps', '2000', '--generated-terrain', '--origin', '31.5,35.5,-430'],
    origin: [31.5, 35.5, -430], date: '2000-01-01',
  },
  {
    name: 'next to the south pole: the wind carries it round several times',
    args: ['--steps', '1500', '--generated-terrain', '--wind', '5,0,0', '--origin', '-89.99999,10,300'],
    origin: [-89.99999, 10, 300], date: '2000-01-01',
  },
  {
    name: 'until landed in a wind',
    args: ['--steps', '5000', '--generated-terrain', '--until-landed', '--wind', '2,-1,0',
           '--origin', '46.5,7.25,1800', '--date', '2024-02-29'],
    origin: [46.5, 7.25, 1800], date: '2024-02-29',
  },
];

function readCsv(file) {
  const lines = fs.readFileSync(file, 'utf8').trim().split('\n');
  assert.strictEqual(lines[0], 'step,time,x,y,z,vx,vy,vz,speed,terrain');
  return lines.slice(1).map((line) => line.split(',').map(Number));
}

function check(flight, directory) {
  const csvPath = path.join(directory, 'flight.csv');
  const igcPath = path.join(directory, 'flight.igc');
  execFileSync(program, [...flight.args, '--csv', csvPath, '--igc', igcPath],
               { cwd: directory, stdio: ['ignore', 'ignore', 'pipe'] });
  const rows = readCsv(csvPath);
  const bytes = fs.readFileSync(igcPath, 'latin1');

  // CR LF after every line, nothing else, and no security record.
  assert.ok(bytes.endsWith('\r\n'), 'the log ends with CR LF');
  const lines = bytes.slice(0, -2).split('\r\n');
  for (const line of lines) {
    assert.ok(!/[\r\n]/.test(line), `a bare line end in ${JSON.stringify(line)}`);
    assert.notStrictEqual(line[0], 'G', 'no G record');
  }
  assert.ok(/^AXXX\w{3}$/.test(lines[0]), `A record first: ${lines[0]}`);
  assert.ok(lines.some((line) => /^HFDTE\d{6}$/.test(line)), 'short HFDTE');

  const log = IGCParser.parse(bytes); // strict: throws on any malformed record
  assert.strictEqual(log.date, flight.date);
  assert.ok(log.pilot && log.gliderType && log.loggerType, 'pilot, glider and recorder headers');
  assert.strictEqual(log.geoDatum, 'WGS-1984');

  const lastStep = rows[rows.length - 1][0];
  const expectedFixes = Math.floor(lastStep / 100) + 1;
  assert.strictEqual(log.fixes.length, expectedFixes, 'one fix per whole simulated second');
  assert.strictEqual(log.fixes[0].time, '12:00:00');

  const [lat0, lon0, elevation] = flight.origin;
  const bLines = lines.filter((line) => line[0] === 'B');
  log.fixes.forEach((fix, k) => {
    if (k > 0) {
      assert.strictEqual(fix.timestamp - log.fixes[k - 1].timestamp, 1000, 'fixes 1 s apart');
    }
    const row = rows.find((r) => r[0] === 100 * k);
    assert.ok(row, `a CSV row for step ${100 * k}`);
    const [, , x, y, z] = row;
    const latitude = lat0 + (y / EARTH_RADIUS) * DEGREES;
    const longitude = lon0 + (x / (EARTH_RADIUS * Math.cos(lat0 / DEGREES))) * DEGREES;
    assert.ok(Math.abs(fix.latitude - latitude) <= 1e-5, `latitude ${fix.latitude} vs ${latitude}`);
    assert.ok(fix.longitude >= -180 && fix.longitude <= 180, `longitude ${fix.longitude} within -180..180`);
    const turns = Math.round((fix.longitude - longitude) / 360);
    assert.ok(Math.abs(fix.longitude - longitude - 360 * turns) <= 1e-5, `longitude ${fix.longitude} vs ${longitude}`);
    assert.ok(fix.valid, 'a 3D fix');
    // Rounded to whole metres, except that nothing is written as 0 (read as
    // missing): within half a metre of sea level it is 1 m on its own side.
    const altitude = Math.min(99999, Math.max(-9999, elevation + z));
    const tolerance = Math.abs(altitude) < 0.5 ? 1 : 0.5;
    assert.strictEqual(fix.pressureAltitude, fix.gpsAltitude, 'both altitudes alike');
    assert.ok(fix.gpsAltitude !== null && fix.gpsAltitude !== 0 &&
              Math.abs(fix.gpsAltitude - altitude) <= tolerance + 1e-9,
              `altitude ${fix.gpsAltitude} vs ${altitude}`);
    const minutes = bLines[k].match(/^B\d{6}\d{2}(\d{2})\d{3}[NS]\d{3}(\d{2})\d{3}[EW]/);
    assert.ok(minutes && Number(minutes[1]) < 60 && Number(minutes[2]) < 60, `minutes in ${bLines[k]}`);
  });
  return log.fixes.length;
}

let passed = 0;
let failed = 0;
for (const flight of flights) {
  const directory = fs.mkdtempSync(path.join(os.tmpdir(), 'glider-flight-igc-'));
  try {
    const fixes = check(flight, directory);
    console.log(`ok: ${flight.name} (${fixes} fixes)`);
    passed += 1;
  } catch (error) {
    console.log(`FAILED: ${flight.name}: ${error.message}`);
    failed += 1;
  } finally {
    fs.rmSync(directory, { recursive: true, force: true });
  }
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
