#pragma once

#include <gtest/gtest.h>

#include "app/AppGlobals.h"
#include "app/Display.h"
#include "app/Startup.h"
#include "tests/support/GlRecorder.h"

// The simulator's start-up without a window: the generated terrain (no
// heightmap at the given path), the render state's first camera and drag
// values, the world prepared. Each test starts from a fresh scene.
class StartedApp : public ::testing::Test {
protected:
    void SetUp() override {
        buildScene("no-such-terrain.jpg");
        initRenderState();
        prepareFlight();
        glrec::setModifiers(0);
        glrec::clear();
    }
    void TearDown() override { tearDownScene(); }
};
