#include "codecs.h"
namespace pictavo_internal {
LoadResult LoadGif(const LoadRequest&, TDib*) { return {}; }
LoadResult LoadTiff(const LoadRequest&, TDib*) { return {}; }
LoadResult LoadWebp(const LoadRequest&, TDib*) { return {}; }
LoadResult LoadHeif(const LoadRequest&, TDib*) { return {}; }
}
