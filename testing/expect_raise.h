// Checks that a statement raises one of the system's errors with an exact
// class name and message.
#ifndef TESTING_EXPECT_RAISE_H_
#define TESTING_EXPECT_RAISE_H_

#include <gtest/gtest.h>

#include "base/exceptions.h"

// EXPECT_RAISE(statement, EConvertError, "'x' is not a valid integer value")
#define EXPECT_RAISE(statement, klass, message)                              \
  do {                                                                       \
    try {                                                                    \
      statement;                                                             \
      ADD_FAILURE() << "expected " #klass " from " #statement;               \
    } catch (const base::klass& e_) {                                        \
      EXPECT_EQ(e_.ClassName(), #klass);                                     \
      EXPECT_EQ(e_.Message(), std::string(message));                         \
    } catch (const base::RaisedObject& e_) {                                 \
      ADD_FAILURE() << "expected " #klass ", got " << e_.ClassName() << ": " \
                    << e_.what();                                            \
    }                                                                        \
  } while (0)

#endif  // TESTING_EXPECT_RAISE_H_
