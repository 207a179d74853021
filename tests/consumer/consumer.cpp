// Uses each installed library once; prints "ok" when all answer as expected.
#include <linkerkit/LoadData.h>
#include <linkerkit/MakeList.h>
#include <linkerkit/mt19937-64.h>
#include <linkerkit/mt19937ar.h>

#include <cstdio>

int main() {
  ListMember *first = AddListMember(0);
  WriteList(WriteList(first, "b"), "a");
  DeleteLastData(first);
  SortList(first, 0);
  const bool list_ok = CountList(first) == 2 && first->data[0] == 'a';
  ClearList(first);
  init_genrand(1);
  init_genrand64(5489);
  const bool generators_ok = genrand_int32() == 1791095845UL && genrand64_int64() == 14514284786278117030ULL;
  const bool loaders_ok = Conversion("ALA") == 'A' && GetClustal("/nonexistent/file.aln") == nullptr;
  const bool all_ok = list_ok && generators_ok && loaders_ok;
  std::puts(all_ok ? "ok" : "wrong");
  return all_ok ? 0 : 1;
}
