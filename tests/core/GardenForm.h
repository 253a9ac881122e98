// The garden shop's form: most fields filled, keyword boxes with gaps, three
// robots boxes ticked and Local chosen. It is tests/data/garden.tem, the file
// Save writes for it; the head block, trap page and exported page it makes
// are beside it there.
#pragma once

#include "TestData.h"
#include "core/form/MetaTagForm.h"
#include "core/templates/Template.h"
#include "core/text/Text.h"

namespace verdo::testing {

inline MetaTagForm GardenForm() {
  MetaTagForm form;
  ApplyTemplateText(CrLfToLf(TestData("garden.tem")), form);
  return form;
}

}  // namespace verdo::testing
