#pragma once

// The most steps one idle call runs; surplus time is dropped.
constexpr int kMaxStepsPerIdle = 4;

// Runs `steps` world steps, after each one centring the view on the pilot and
// counting it, then asks for one redisplay if any step ran.
void advanceSimulation(int steps);

// The GLUT idle callback: runs the steps the frame timer says are due.
void idle();
