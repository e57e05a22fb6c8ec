// A fresh stand-in process per test, and the ways a test watches the program end.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "app/program_folder.h"
#include "platform/standin/standin.h"
#include "registration/registration.h"

class StandinTest : public ::testing::Test {
protected:
    void SetUp() override {
        standin::reset();
        registration::release_program_state();
        app::forget_program_folder();
    }
    // What the program holds for the whole process is let go, as at shutdown; after
    // that no block of the heap may still be live.
    void TearDown() override {
        registration::release_program_state();
        app::forget_program_folder();
        EXPECT_EQ(standin::live_blocks(), 0u) << "a text was not released";
        EXPECT_EQ(standin::open_keys(), 0) << "a registry key was left open";
    }
};

// Runs `body` and answers the exit code it ended the process with, or -2 when it
// returned normally.
template <typename Body>
int exit_code_of(Body body) {
    try {
        body();
    } catch (const standin::ProcessExit& exit) {
        return exit.code;
    }
    return -2;
}

inline const char kUoKey[] = "SOFTWARE\\Origin Worlds Online\\Ultima Online\\1.0";
