// A folder the layers do not place.
#pragma once
