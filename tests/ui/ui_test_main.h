// The entry of a window test suite: the program's application object on
// the offscreen platform (unless another is asked for), then the suite.
#ifndef QUORVANE_TESTS_UI_UI_TEST_MAIN_H_
#define QUORVANE_TESTS_UI_UI_TEST_MAIN_H_

#include <QtTest>

#include "ui/quorvane_application.h"

#define QUORVANE_TEST_MAIN(TestClass)                                                       \
  int main(int argc, char** argv) {                                                         \
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen"); \
    quorvane::QuorvaneApplication app(argc, argv);                                           \
    TestClass suite;                                                                        \
    return QTest::qExec(&suite, argc, argv);                                                \
  }

#endif  // QUORVANE_TESTS_UI_UI_TEST_MAIN_H_
