#!/usr/bin/env node
// Reads the task library's outputs with the readers pilots' tools use:
//  - the IGC task declaration with igc-parser;
//  - the free-flight score recomputed from the IGC alone by igc-xc-score
//    (XContest rules), same flight type, distance within 0.5%: of three drawn
//    flights, and of three tasks flown by the task pilot on the realistic
//    glider (a free distance, a flat and an FAI triangle), each completed;
//  - ten minutes of NMEA received over UDP, with nmea-simple (every sentence,
//    checksums) and gpsd's gpsdecode (the standard ones), positions within
//    1 m of those sent, and a clock that never goes back.
// Usage: node check-task-outputs.js PATH/TO/task-fixtures
'use strict';

const assert = require('assert');
const { execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const IGCParser = require('igc-parser');
const nmea = require('nmea-simple');
const { solver, scoringRules } = require('igc-xc-score');

const program = process.argv[2];
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'task-check-'));

function checkScores(kind, wanted) {
  const ours = execFileSync(program, [kind, scratch], { encoding: 'utf8' }).trim().split('\n');
  // Our names against the scorer's codes ('od', 'tri', 'fai') and whether the
  // triangle counted as closed.
  const expected = {
    free_distance: ['od', false], flat_triangle: ['tri', false], closed_flat_triangle: ['tri', true],
    fai_triangle: ['fai', false], closed_fai_triangle: ['fai', true],
  };
  for (const line of ours) {
    const [name, type, metres, points, taskResult, ...rest] = line.split(' ');
    if (taskResult !== undefined) {
      assert.strictEqual(taskResult, 'task=completed', `${kind} ${name}: ${line}`);
    }
    assert.strictEqual(type, wanted[name], `${name}: our type`);
    const text = fs.readFileSync(path.join(scratch, `${name}.igc`), 'utf8');
    const flight = IGCParser.parse(text, { lenient: false });

    // The declaration: takeoff, start, turnpoints, finish, landing.
    const task = flight.task;
    assert.ok(task, `${name}: no task declared`);
    assert.strictEqual(task.points.length, task.numTurnpoints + 4, `${name}: declared points`);
    assert.ok(task.comment.startsWith(name), task.comment);
    assert.match(task.points[0].name, /^TAKEOFF Takeoff$/);
    assert.match(task.points[1].name, /^START Start$/);
    assert.match(task.points[task.points.length - 2].name, /^FINISH Goal$/);
    assert.match(task.points[task.points.length - 1].name, /^LANDING (Landing|Goal)$/);
    assert.ok(Math.abs(task.points[0].latitude - flight.fixes[0].latitude) < 1e-4, `${name}: takeoff where the flight starts`);

    // Without a time limit the first call runs to the optimum.
    const best = solver(flight, scoringRules.XContest, { noflight: true }).next().value;
    assert.ok(best.optimal, `${name}: igc-xc-score did not reach its optimum`);
    const info = best.scoreInfo;
    const code = best.opt.scoring.code;
    const closed = /Closed/.test(best.opt.scoring.name);
    const km = Number(metres) / 1000;
    console.log(`${kind} ${name}: ${taskResult ? [taskResult, ...rest].join(" ") + ";" : ""} ours ${type} ${km.toFixed(3)} km ${points} points; ` +
                `igc-xc-score ${best.opt.scoring.name} ${info.distance.toFixed(3)} km ${best.score} points`);
    assert.deepStrictEqual([code, closed], expected[type], `${name}: flight type`);
    assert.ok(Math.abs(km - info.distance) <= 0.005 * info.distance, `${name}: distance ${km} against ${info.distance}`);
    assert.ok(Math.abs(Number(points) - best.score) <= 0.005 * best.score, `${name}: points`);
  }
}

function checkNmea() {
  const capture = path.join(scratch, 'stream.nmea');
  execFileSync(program, ['nmea', capture]);
  const text = fs.readFileSync(capture, 'latin1');
  const sentences = text.split('\r\n').filter((s) => s.length > 0);
  const sent = fs.readFileSync(`${capture}.csv`, 'utf8').trim().split('\n').slice(1).map((l) => l.split(',').map(Number));
  const counts = {};
  const fixes = [];
  let lastTime = -Infinity;
  let lastDate = '';
  for (const s of sentences) {
    const packet = nmea.parseUnsafeNmeaSentence(s);
    assert.strictEqual(packet.chxOk, true, `checksum: ${s}`);
    const id = s.slice(1, s.indexOf(','));
    counts[id] = (counts[id] || 0) + 1;
    if (id === 'GPRMC') {
      assert.strictEqual(packet.status, 'valid', s);
      const t = packet.datetime.getTime();
      assert.ok(t > lastTime, `time went back at ${s}`);
      lastTime = t;
      lastDate = s.split(',')[9];
      fixes.push([packet.latitude, packet.longitude]);
    } else if (id === 'GPGGA') {
      assert.strictEqual(packet.fixType, 'fix', s);
      assert.ok(packet.geoidalSeperation > 0, `geoid separation: ${s}`);
    } else if (id === 'PGRMZ') {
      assert.strictEqual(packet.dataFields[1], 'f', s);
    } else if (id === 'LXWP0') {
      assert.strictEqual(packet.dataFields.length, 12, s);
      assert.strictEqual(packet.dataFields[10], '270', `wind from the west: ${s}`);
    } else if (id === 'LK8EX1') {
      assert.strictEqual(packet.dataFields.length, 5, s);
    }
  }
  // Ten minutes: 5 Hz instruments, 2 Hz position, all received on loopback.
  assert.ok(counts.LXWP0 >= 2990 && counts.PGRMZ === counts.LXWP0 && counts.LK8EX1 === counts.LXWP0,
            JSON.stringify(counts));
  assert.ok(counts.GPRMC >= 1190 && counts.GPGGA === counts.GPRMC, JSON.stringify(counts));
  assert.strictEqual(lastDate, '010127', 'the clock ran over midnight into the new year');
  assert.strictEqual(fixes.length, sent.length);
  const metresPerDegree = 6371000 * Math.PI / 180;
  for (let i = 0; i < fixes.length; i += 1) {
    const north = (fixes[i][0] - sent[i][1]) * metresPerDegree;
    const east = (fixes[i][1] - sent[i][2]) * metresPerDegree * Math.cos(sent[i][1] * Math.PI / 180);
    assert.ok(Math.hypot(north, east) < 1, `position ${i} is ${Math.hypot(north, east)} m off`);
  }
  // gpsd's reader takes the standard sentences (it does not know the
  // instruments' talkers): each one back, no checksum complaint.
  const standard = sentences.filter((s) => /^\$(GPRMC|GPGGA|PGRMZ)/.test(s));
  const decoded = execFileSync('gpsdecode', ['-d', '-D', '1'], { input: text, encoding: 'latin1', stdio: ['pipe', 'pipe', 'pipe'] });
  const echoed = decoded.split(/\r?\n/).filter((s) => s.startsWith('$'));
  assert.deepStrictEqual(echoed, standard, 'gpsdecode read every standard sentence');
  console.log(`nmea: ${sentences.length} sentences, ${JSON.stringify(counts)}`);
}

try {
  checkScores('xc', { free: 'free_distance', flat: 'flat_triangle', fai: 'closed_fai_triangle' });
  checkScores('flown', { free: 'free_distance', flat: 'flat_triangle', fai: 'closed_fai_triangle' });
  checkNmea();
} finally {
  fs.rmSync(scratch, { recursive: true, force: true });
}
