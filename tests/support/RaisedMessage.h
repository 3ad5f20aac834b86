#pragma once
// The message of the exception that a call raises, for tests that compare it.

#include <string>

// The Message of the ErrorType that call raises; "(nothing raised)" when the
// call returns. Any other exception passes through and fails the test.
template <typename ErrorType, typename Call>
std::string RaisedMessage(Call call) {
  try {
    call();
  } catch (const ErrorType& error) {
    return error.Message;
  }
  return "(nothing raised)";
}

// The same for an ErrorType raised as itself, not as its derived class
// Narrower; "(narrower class raised)" when a Narrower is raised.
template <typename ErrorType, typename Narrower, typename Call>
std::string RaisedMessageNotAs(Call call) {
  try {
    call();
  } catch (const Narrower&) {
    return "(narrower class raised)";
  } catch (const ErrorType& error) {
    return error.Message;
  }
  return "(nothing raised)";
}
