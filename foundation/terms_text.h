#pragma once

// The terms of use shown on first start.
extern const char kTermsOfUseText[];
