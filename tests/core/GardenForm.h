// The garden shop's form: most fields filled, keyword boxes with gaps, three
// robots boxes ticked and Local chosen. The pages it makes are spelt out in
// the tests that use it.
#pragma once

#include "core/form/MetaTagForm.h"

namespace verdo::testing {

inline MetaTagForm GardenForm() {
  MetaTagForm form;
  form.Title = "Garden Tools";
  form.Description = "Spades and rakes";
  form.Keyword(1) = "spade";
  form.Keyword(3) = "rake";
  form.ExtraKeywords = "hoe,trowel";
  form.Author = "Web Team";
  form.Copyright = "2001 Garden Shop";
  form.Expires = "Mon, 01 Jan 2002 00:00:00 GMT";
  form.NoIndex = form.NoCache = form.Revisit = 1;
  form.Distribution = kDistributionLocal;
  form.RedirectUrl = "shop.htm";
  return form;
}

}  // namespace verdo::testing
