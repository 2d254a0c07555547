// Hands a layer's text outlines back to the host when it goes out of scope,
// so every way out of a reader of them, exceptions included, releases them.
#pragma once
#include "host/suites/aegp_text_layer_suite1.h"

class TextOutlinesGuard {
 public:
  TextOutlinesGuard(const AEGP_TextLayerSuite1* suite, AEGP_TextOutlinesH outlines)
      : suite_(suite), outlines_(outlines) {}
  ~TextOutlinesGuard() {
    if (suite_->AEGP_DisposeTextOutlines != nullptr) suite_->AEGP_DisposeTextOutlines(outlines_);
  }
  TextOutlinesGuard(const TextOutlinesGuard&) = delete;
  TextOutlinesGuard& operator=(const TextOutlinesGuard&) = delete;

 private:
  const AEGP_TextLayerSuite1* suite_;
  AEGP_TextOutlinesH outlines_;
};
