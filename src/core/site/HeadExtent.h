// How much of a page an HTML parser needs to see to build its head, found by
// a quick scan of the tokens as a browser's parser reads them before the
// body: the head ends for good at the first text that isn't white space, or
// the first tag that can't stand in a head (<body>, <p>, </br>, ...).
//
// The scan also finds the contents of <template> elements in the head. They
// never hold elements of the head itself, but may nest without end, which
// costs a parser time that grows with the square of the depth; blanking
// them keeps its work linear.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "core/site/PageOutline.h"

namespace verdo {

struct HeadExtentLimits {
  std::size_t Bytes = 8 * 1024 * 1024;  // the parser sees at most this many bytes
  std::size_t Tags = 16 * 1024;         // and at most this many tags, comments and declarations
  // Go on past the head to the end of the page: the limits and the
  // templates' contents alone count.
  bool PastTheHead = false;
};

struct HeadExtent {
  // The bytes to give the parser: up to and with the token that starts the
  // body, or all of the page when it never does, or up to the token where
  // the limits were reached.
  std::size_t End = 0;
  bool Cut = false;                         // the limits were reached before the head ended
  std::vector<ByteRange> TemplateContents;  // within [0, End): what templates hold
};

HeadExtent FindHeadExtent(std::string_view page, const HeadExtentLimits& limits = {});

}  // namespace verdo
