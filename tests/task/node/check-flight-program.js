#!/usr/bin/env node
// glider-flight flying tasks, read by the tools pilots use:
//  - a SeeYou .cup with three tasks (free distance, flat triangle, FAI
//    triangle) flown with --pilot task to goal: the summary's task and score
//    fields, the IGC's declaration read by igc-parser, and the flight scored
//    again from the IGC alone by igc-xc-score: same type, distance within 0.5%;
//  - ten minutes of --nmea over loopback UDP (reset halfway), every sentence
//    read by nmea-simple with its checksum, the standard ones by gpsd's
//    gpsdecode, positions within 1 m of the CSV's, time never going back.
// Usage: node check-flight-program.js PATH/TO/glider-flight
'use strict';

const assert = require('assert');
const { execFileSync, spawn } = require('child_process');
const dgram = require('dgram');
const fs = require('fs');
const os = require('os');
const path = require('path');
const IGCParser = require('igc-parser');
const nmea = require('nmea-simple');
const { solver, scoringRules } = require('igc-xc-score');

const program = process.argv[2];
const scratch = fs.mkdtempSync(path.join(os.tmpdir(), 'flight-task-'));
const R = 6371000;
const origin = [46, 7];

// World metres about the origin to a .cup's DDMM.mmmN and DDDMM.mmmE.
function cupPlace(x, y) {
  const lat = origin[0] + y / R * 180 / Math.PI;
  const lon = origin[1] + x / (R * Math.cos(origin[0] * Math.PI / 180)) * 180 / Math.PI;
  const field = (v, width, hemispheres) => {
    const a = Math.abs(v);
    const degrees = Math.floor(a);
    const minutes = ((a - degrees) * 60).toFixed(3).padStart(6, '0');
    return `${String(degrees).padStart(width, '0')}${minutes}${v < 0 ? hemispheres[1] : hemispheres[0]}`;
  };
  return `${field(lat, 2, 'NS')},${field(lon, 3, 'EW')}`;
}

const courses = {
  free: { corners: [[0, 0], [750, 1250], [0, 2500], [750, 3750], [0, 5000]], closed: false, type: ['od', false] },
  flat: { corners: [[0, 0], [2500, 0], [2500, 600], [0, 150]], closed: true, type: ['tri', false] },
  fai: { corners: [[0, 0], [2000, 0], [1000, 1732], [0, 0]], closed: true, type: ['fai', true] },
};

function writeCup() {
  const waypoints = ['name,code,country,lat,lon,elev,style,rwdir,rwlen,freq,desc',
    `"Launch, south","LAUNCH",CH,${cupPlace(0, -800)},1640ft,1,,,,"Takeoff, ""the hill"""`];
  const tasks = ['-----Related Tasks-----'];
  for (const [name, course] of Object.entries(courses)) {
    const names = course.corners.map(([x, y], i) => {
      const wp = `${name} ${i}`;
      waypoints.push(`"${wp}","${name.toUpperCase()}${i}",CH,${cupPlace(x, y)},500.0m,1,,,,""`);
      return wp;
    });
    const last = names.length - 1;
    tasks.push(['"' + name + '"', '"Launch, south"', ...names.map((n) => `"${n}"`), `"${names[last]}"`].join(','));
    tasks.push('ObsZone=0,Style=2,R1=300m,A1=180,Line=1');
    for (let i = 1; i < last; i += 1) tasks.push(`ObsZone=${i},Style=1,R1=150m,A1=180`);
    tasks.push(`ObsZone=${last},Style=3,R1=150m,A1=180${course.closed ? '' : ',Line=1'}`);
  }
  fs.writeFileSync(path.join(scratch, 'tasks.cup'), [...waypoints, ...tasks].join('\r\n') + '\r\n');
  fs.writeFileSync(path.join(scratch, 'flat.toml'),
    'model = "realistic"\n[terrain]\nsource = "flat"\nsize = 16000\nspacing = 200\n' +
    '[start]\nposition = [0, -800, 1200]\nheading = 0\n');
}

function fly(args) {
  const run = require('child_process').spawnSync(program,
    ['--scenario', 'flat.toml', '--origin', `${origin[0]},${origin[1]},0`, ...args],
    { cwd: scratch, encoding: 'utf8' });
  assert.strictEqual(run.status, 0, run.stderr);
  return Object.fromEntries(run.stderr.trim().split(' ').map((kv) => kv.split('=')));
}

function checkTasks() {
  for (const [name, course] of Object.entries(courses)) {
    const fields = fly(['--task', `tasks.cup:${name}`, '--pilot', 'task', '--steps', '200000', '--until-goal',
      '--csv', `${name}.csv`, '--every', '1000', '--igc', `${name}.igc`]);
    assert.strictEqual(fields.task, 'completed', `${name}: ${JSON.stringify(fields)}`);
    for (const key of ['task_km', 'task_kmh', 'xc_km', 'xc_points']) {
      assert.ok(Number(fields[key]) > 0, `${name}: ${key}`);
    }
    const flight = IGCParser.parse(fs.readFileSync(path.join(scratch, `${name}.igc`), 'utf8'), { lenient: false });
    const task = flight.task;
    assert.ok(task, `${name}: no task declared`);
    assert.strictEqual(task.numTurnpoints, course.corners.length - 2, `${name}: turnpoints`);
    assert.strictEqual(task.points.length, course.corners.length + 2, `${name}: declared points`);
    assert.match(task.points[0].name, /^TAKEOFF Launch, south$/);

    const best = solver(flight, scoringRules.XContest, { noflight: true }).next().value;
    assert.ok(best.optimal, `${name}: igc-xc-score did not reach its optimum`);
    const km = Number(fields.xc_km);
    const theirs = best.scoreInfo.distance;
    const closed = /Closed/.test(best.opt.scoring.name);
    console.log(`${name}: task=${fields.task} task_km=${fields.task_km} task_kmh=${fields.task_kmh}; ours ` +
      `${fields.xc_type} ${km} km ${fields.xc_points} points; igc-xc-score ${best.opt.scoring.name} ` +
      `${theirs.toFixed(3)} km ${best.score} points (${(100 * (km - theirs) / theirs).toFixed(3)}%)`);
    const ourType = { free_distance: ['od', false], flat_triangle: ['tri', false], closed_flat_triangle: ['tri', true],
      fai_triangle: ['fai', false], closed_fai_triangle: ['fai', true] }[fields.xc_type];
    assert.deepStrictEqual(ourType, [best.opt.scoring.code, closed], `${name}: flight type`);
    assert.deepStrictEqual(ourType, course.type, `${name}: the shape flown`);
    assert.ok(Math.abs(km - theirs) <= 0.005 * theirs, `${name}: distance ${km} against ${theirs}`);
  }
}

async function checkNmea() {
  const socket = dgram.createSocket({ type: 'udp4', recvBufferSize: 1 << 22 });
  const received = [];
  socket.on('message', (message) => received.push(message.toString('latin1')));
  await new Promise((resolve) => socket.bind(0, '127.0.0.1', resolve));
  const port = socket.address().port;
  const status = await new Promise((resolve) => {
    const child = spawn(program, ['--scenario', 'flat.toml', '--origin', `${origin[0]},${origin[1]},0`,
      '--task', 'tasks.cup:fai', '--pilot', 'task', '--steps', '60000', '--key', '30000:f1', '--date', '2026-07-15',
      '--csv', 'nmea.csv', '--every', '20', '--nmea', `udp:127.0.0.1:${port}`], { cwd: scratch, stdio: 'ignore' });
    child.on('exit', resolve);
  });
  await new Promise((resolve) => setTimeout(resolve, 200));
  socket.close();
  assert.strictEqual(status, 0);
  const text = received.join('');
  const sentences = text.split('\r\n').filter((s) => s.length > 0);
  // time,x,y,z,... a row every 0.2 s, as positions are sent.
  const rows = new Map(fs.readFileSync(path.join(scratch, 'nmea.csv'), 'utf8').trim().split('\n').slice(1)
    .map((l) => l.split(',').map(Number)).map((r) => [Math.round(r[1] * 100), r]));
  const counts = {};
  let lastTime = -Infinity;
  let worst = 0;
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
      // The log's clock starts at noon on the flight's date.
      const flightTime = (t - Date.UTC(2026, 6, 15, 12)) / 1000;
      const row = rows.get(Math.round(flightTime * 100));
      assert.ok(row, `no CSV row at ${flightTime} s`);
      const north = (packet.latitude - origin[0]) * Math.PI / 180 * R;
      const east = (packet.longitude - origin[1]) * Math.PI / 180 * R * Math.cos(origin[0] * Math.PI / 180);
      worst = Math.max(worst, Math.hypot(east - row[2], north - row[3]));
    } else if (id === 'GPGGA') {
      assert.strictEqual(packet.fixType, 'fix', s);
      assert.ok(packet.geoidalSeperation > 0, `geoid separation: ${s}`);
    }
  }
  assert.ok(worst < 1, `a position sent ${worst} m from the CSV's`);
  // Ten minutes: the instruments and the position at 5 Hz.
  for (const id of ['GPRMC', 'GPGGA', 'LXWP0', 'PGRMZ', 'LK8EX1']) {
    assert.ok(counts[id] >= 2990, JSON.stringify(counts));
  }
  const standard = sentences.filter((s) => /^\$(GPRMC|GPGGA|PGRMZ)/.test(s));
  const decoded = execFileSync('gpsdecode', ['-d', '-D', '1'], { input: text, encoding: 'latin1', maxBuffer: 1 << 28 });
  assert.deepStrictEqual(decoded.split(/\r?\n/).filter((s) => s.startsWith('$')), standard,
    'gpsdecode read every standard sentence');
  console.log(`nmea: ${sentences.length} sentences ${JSON.stringify(counts)}, positions within ${worst.toFixed(3)} m`);
}

(async () => {
  try {
    writeCup();
    checkTasks();
    await checkNmea();
  } finally {
    fs.rmSync(scratch, { recursive: true, force: true });
  }
})().catch((error) => {
  console.error(error);
  process.exitCode = 1;
});
