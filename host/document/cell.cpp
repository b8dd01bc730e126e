#include "host/document/cell.hpp"
