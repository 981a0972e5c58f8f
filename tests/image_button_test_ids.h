// Resource ids of the picture-button tests' own resources.
#pragma once

#define IDB_TEST_HALF_TRANSPARENT 9100
