/* Instruction counter for qemu-arm (a TCG plugin): counts the executed guest
 * instructions of a program, split by code region and by phase of the program's run.
 *
 *   qemu-arm -plugin build/libicount.so,regions=FILE,marks=FILE,out=FILE PROGRAM
 *
 * Code regions: every translated block is classed once, when it is translated, by the
 * file its code is mapped from (the host process's /proc/self/maps: in user-mode
 * emulation the guest's files are mapped into qemu's own address space) and by the
 * address ranges of the regions file (the mappings are read again after every guest
 * system call that maps, moves or unmaps memory):
 *
 *   file PREFIX LOAD_VADDR DEFAULT_REGION          a file whose base name starts with PREFIX
 *   range PREFIX START END REGION                  [START, END) in the file's link addresses
 *
 * A link address is the guest address less the address at which the file's first
 * mapping (file offset 0) was placed, plus LOAD_VADDR (the first loadable segment's
 * address: 0 for shared libraries and position-independent programs). Code of files
 * not named there is class "other:NAME", by the base name of its file or qemu's label
 * of its mapping ("other" where no mapping holds it). Blocks are counted by an inline add of their
 * length to their region's total, so counting costs little more than the block itself.
 *
 * Phases: the marks file names code addresses (link addresses of the program's own
 * file, the first "file" line of the marks file) at which the phase changes:
 *
 *   exe PREFIX
 *   ADDR frame PHASE              a new frame begins: the stack becomes [PHASE]
 *   ADDR set PHASE [IF_TOP]       the top of the phase stack becomes PHASE
 *   ADDR push PHASE [IF_TOP]      PHASE is pushed
 *   ADDR pop [IF_TOP]             the top is popped
 *
 * With IF_TOP the mark acts only while the top of the stack is that phase. A mark
 * address is the first instruction of a translated block: a function's entry, or the
 * instruction after a call (reached by the return). A block that starts at a mark runs
 * a callback instead of the inline add: it acts on the stack, and then counts its own
 * instructions into the new phase. The region totals are read at every phase change;
 * their growth since the previous change is added to the phase that ends.
 *
 * Output (the out file, written at the end and at every frame):
 *   F N PHASE=COUNT ...            totals of frame N by phase
 *   R N PHASE REGION=COUNT ...     frame N's totals of one phase by region
 *   T PHASE COUNT                  whole-run total of a phase (the frames' phases too)
 *   TR PHASE REGION COUNT          whole-run total of a phase in one region
 *   V VCPUS                        the number of guest threads seen
 *   C N PHASE=OPT/PES/DACC/DMISS/ILINES/IMISS/MULS/DFILLS/WBWORDS ...
 *                                  frame N's estimated cycles at the two memory settings,
 *                                  data accesses and misses, instruction-cache line
 *                                  lookups and misses, multiplies of unknown operand,
 *                                  data line fills, words written through the buffer
 *   RC N PHASE REGION=PES ...      frame N's cycles (pessimistic setting) by region
 *   TC PHASE REGION OPT PES        whole-run cycles of a phase in one region
 *   X REGION CLASS COUNT           executed instructions outside ARMv4T, by class
 * Guest threads share the totals: the counted program keeps one thread running while
 * it is counted (the demo's benchmark stops its music first).
 *
 * Cycles: a model of the handheld's ARM920T (an ARM9TDMI core with 16 KB instruction
 * and data caches), driven by the executed blocks and their memory accesses; see
 * "The cycle model" below. Two memory settings run side by side in one pass:
 *
 *   mem=FILL/DRAIN:FILL/DRAIN      cycles per cache line fill and per buffered word
 *                                  written to memory, optimistic and pessimistic
 *                                  (default 12/2:40/6)
 */
#include <inttypes.h>
#include <pthread.h>
#include <stdbool.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <qemu-plugin.h>

QEMU_PLUGIN_EXPORT int qemu_plugin_version = QEMU_PLUGIN_VERSION;

enum { kMaxRegions = 1024, kMaxPhases = 64, kMaxStack = 32, kMaxName = 96 };
/* The per-region counters: executed instructions, cycles at the two memory settings,
 * data accesses and misses, instruction-cache line lookups and misses, and multiplies
 * whose operand the model cannot see (priced at their longest). */
enum {
  kInsns, kCycOpt, kCycPes, kDAcc, kDMiss, kILines, kIMiss, kMulUnknown,
  kDFills,    /* data line fills (load misses) */
  kWbOut,     /* words written to memory through the write buffer (store misses, castouts) */
  kCounters
};

/* ---- Names ------------------------------------------------------------------------- */

static char region_names[kMaxRegions][kMaxName];
static int n_regions;
static char phase_names[kMaxPhases][kMaxName];
static int n_phases;

static int intern(char (*names)[kMaxName], int *n, int max, const char *name) {
  for (int i = 0; i < *n; ++i) {
    if (strcmp(names[i], name) == 0) return i;
  }
  if (*n >= max) {
    fprintf(stderr, "icount: too many names (at %s)\n", name);
    exit(2);
  }
  snprintf(names[*n], kMaxName, "%s", name);
  return (*n)++;
}

static int region_id(const char *name) {
  return intern(region_names, &n_regions, kMaxRegions, name);
}
static int phase_id(const char *name) { return intern(phase_names, &n_phases, kMaxPhases, name); }

/* ---- Files and address ranges ------------------------------------------------------- */

struct file_rule {
  char prefix[kMaxName];
  uint64_t load_vaddr;
  int default_region;
};
struct range {
  int file;  /* index into rules */
  uint64_t start, end;
  int region;
};

static struct file_rule rules[64];
static int n_rules;
static struct range *ranges;
static size_t n_ranges, cap_ranges;

/* One mapping of the host process, with the guest address its file offset 0 lies at. */
struct mapping {
  uintptr_t host_start, host_end;
  int rule;          /* -1: no rule names the file */
  uint64_t base;     /* guest address of the file's offset 0 */
  bool base_known;
  char name[48];     /* the file's base name, or the kind of mapping ("[heap]", ...) */
};
static struct mapping *maps;
static size_t n_maps;
static pthread_mutex_t lock = PTHREAD_MUTEX_INITIALIZER;
static int other_region;
/* Set by every guest system call that may map a file; the next translation rereads. */
static int maps_stale = 1;

static const char *base_name(const char *path) {
  const char *s = strrchr(path, '/');
  return s ? s + 1 : path;
}

static int rule_of(const char *path) {
  const char *b = base_name(path);
  for (int i = 0; i < n_rules; ++i) {
    if (strncmp(b, rules[i].prefix, strlen(rules[i].prefix)) == 0) return i;
  }
  return -1;
}

/* Rereads /proc/self/maps (new libraries are mapped while the program runs). Guest
 * address = host address - guest_base. */
static void read_maps(uintptr_t guest_base) {
  FILE *f = fopen("/proc/self/maps", "r");
  if (f == NULL) {
    perror("icount: /proc/self/maps");
    exit(2);
  }
  free(maps);
  maps = NULL;
  n_maps = 0;
  size_t cap = 0;
  char line[4096];
  while (fgets(line, sizeof line, f) != NULL) {
    unsigned long lo, hi, off;
    char perms[8];
    int pos = 0;
    if (sscanf(line, "%lx-%lx %7s %lx %*s %*s%n", &lo, &hi, perms, &off, &pos) < 4) continue;
    char *path = line + pos;
    while (*path == ' ') ++path;
    path[strcspn(path, "\n")] = '\0';
    if (n_maps == cap) {
      cap = cap ? 2 * cap : 256;
      maps = realloc(maps, cap * sizeof *maps);
      if (maps == NULL) exit(2);
    }
    struct mapping *m = &maps[n_maps++];
    m->host_start = lo;
    m->host_end = hi;
    m->rule = path[0] == '/' ? rule_of(path) : -1;
    snprintf(m->name, sizeof m->name, "%s", path[0] == '/' ? base_name(path) : path);
    m->base_known = false;
    m->base = 0;
    if (m->rule >= 0) {
      /* The file's offset-0 mapping is the first one of the same file at or below. */
      for (size_t j = n_maps - 1; j-- > 0;) {
        if (maps[j].rule == m->rule && maps[j].host_start <= lo) {
          if (maps[j].base_known) {
            m->base = maps[j].base;
            m->base_known = true;
            break;
          }
        }
      }
      if (off == 0) {
        m->base = (uint64_t)(lo - guest_base);
        m->base_known = true;
      }
    }
  }
  fclose(f);
}

static const struct mapping *find_map(uintptr_t host) {
  for (size_t i = 0; i < n_maps; ++i) {
    if (host >= maps[i].host_start && host < maps[i].host_end) return &maps[i];
  }
  return NULL;
}

/* The region of a block, and its link address in its file (UINT64_MAX if unknown). */
static int classify(uintptr_t host, uint64_t vaddr, int *rule, uint64_t *link) {
  const uintptr_t guest_base = host - (uintptr_t)vaddr;
  if (__atomic_exchange_n(&maps_stale, 0, __ATOMIC_ACQ_REL)) read_maps(guest_base);
  const struct mapping *m = find_map(host);
  *rule = -1;
  *link = UINT64_MAX;
  if (m == NULL || m->rule < 0 || !m->base_known) {
    /* Code of no named file: classed by the mapping it lies in, "other:NAME" (its
     * file's base name, or qemu's own label of the mapping), so that unexpected code
     * (Thumb, for one) can be traced to where it comes from. */
    if (m == NULL) return other_region;
    char name[kMaxName];
    snprintf(name, sizeof name, "other:%s", m->name[0] != '\0' ? m->name : "anonymous");
    for (char *c = name; *c != '\0'; ++c) {
      if (*c == ' ' || *c == '=' || *c == '\t') *c = '_';
    }
    return region_id(name);
  }
  *rule = m->rule;
  *link = vaddr - m->base + rules[m->rule].load_vaddr;
  for (size_t i = 0; i < n_ranges; ++i) {
    if (ranges[i].file == m->rule && *link >= ranges[i].start && *link < ranges[i].end) {
      return ranges[i].region;
    }
  }
  return rules[m->rule].default_region;
}

/* ---- Marks and phases ---------------------------------------------------------------- */

enum action { kFrame, kSet, kPush, kPop };
struct mark {
  uint64_t link;
  enum action action;
  int phase;   /* kFrame, kSet, kPush */
  int if_top;  /* -1: always */
};
static struct mark marks[1024];
static int n_marks;
static int exe_rule = -1;

/* Running totals by region, and what they were at the last phase change. */
static uint64_t total[kCounters][kMaxRegions];
static uint64_t snap[kCounters][kMaxRegions];
/* Accumulated by phase and region: the whole run, and the current frame. */
static uint64_t run_acc[kCounters][kMaxPhases][kMaxRegions];
static uint64_t frame_acc[kCounters][kMaxPhases][kMaxRegions];
static int stack[kMaxStack];
static int depth;
static int64_t frame = -1;
static FILE *out;
static int vcpus;

static void settle(void) {
  const int p = stack[depth - 1];
  for (int k = 0; k < kCounters; ++k) {
    for (int r = 0; r < n_regions; ++r) {
      const uint64_t d = total[k][r] - snap[k][r];
      run_acc[k][p][r] += d;
      frame_acc[k][p][r] += d;
      snap[k][r] = total[k][r];
    }
  }
}

static uint64_t phase_sum(uint64_t (*acc)[kMaxRegions], int p) {
  uint64_t s = 0;
  for (int r = 0; r < n_regions; ++r) s += acc[p][r];
  return s;
}

static void write_frame(void) {
  if (frame < 0) {
    memset(frame_acc, 0, sizeof frame_acc);
    return;
  }
  fprintf(out, "F %" PRId64, frame);
  for (int p = 0; p < n_phases; ++p) {
    const uint64_t s = phase_sum(frame_acc[kInsns], p);
    if (s != 0) fprintf(out, " %s=%" PRIu64, phase_names[p], s);
  }
  fputc('\n', out);
  fprintf(out, "C %" PRId64, frame);
  for (int p = 0; p < n_phases; ++p) {
    if (phase_sum(frame_acc[kInsns], p) == 0) continue;
    fprintf(out, " %s=", phase_names[p]);
    for (int k = kCycOpt; k < kCounters; ++k) {
      fprintf(out, "%s%" PRIu64, k == kCycOpt ? "" : "/", phase_sum(frame_acc[k], p));
    }
  }
  fputc('\n', out);
  for (int p = 0; p < n_phases; ++p) {
    bool any = false;
    for (int r = 0; r < n_regions; ++r) {
      if (frame_acc[kInsns][p][r] == 0) continue;
      if (!any) fprintf(out, "R %" PRId64 " %s", frame, phase_names[p]);
      any = true;
      fprintf(out, " %s=%" PRIu64, region_names[r], frame_acc[kInsns][p][r]);
    }
    if (any) fputc('\n', out);
    any = false;
    for (int r = 0; r < n_regions; ++r) {
      if (frame_acc[kCycPes][p][r] == 0) continue;
      if (!any) fprintf(out, "RC %" PRId64 " %s", frame, phase_names[p]);
      any = true;
      fprintf(out, " %s=%" PRIu64, region_names[r], frame_acc[kCycPes][p][r]);
    }
    if (any) fputc('\n', out);
  }
  memset(frame_acc, 0, sizeof frame_acc);
}

/* ---- The cycle model --------------------------------------------------------------- *
 *
 * Pipeline: every ARM instruction is classed once, at translation, with its cycles on
 * the ARM9TDMI's five-stage pipeline. Where the figures come from: the ARM9TDMI's
 * instruction timings as the handheld's budget states them (one cycle per instruction
 * issued; 2 more for the refill after a PC write, so 3 for a taken branch; the load
 * result latencies of the fourth stage, one cycle for words and two for bytes and
 * halfwords, which are extended a stage later; N cycles for N registers moved; the
 * multiplier's early termination at 8 bits of Rs a cycle, MUL 2 to 5). Our own
 * assumptions, not from a timing table: the accumulate and long multiplies one cycle
 * more each (a second pass for the addend or the high word), LDR to the PC as a load
 * plus a 4-cycle refill, and the byte/halfword interlock on the instruction after
 * next.
 *
 *   class                                      cycles
 *   data processing                            1
 *     with a register-specified shift          +1 (the shift amount is read in a cycle of its own)
 *     writing the PC                           +2 (the pipeline refills)
 *   B, BL, BX taken                            3 (refill)
 *   condition failed (any instruction)         1
 *   LDR, STR and the byte/halfword forms       1
 *     LDR to the PC                            5 (the loaded address refills the pipeline)
 *   load-use interlock, word load              +1 when the next instruction reads it
 *   load-use interlock, byte/halfword load     +2 when the next instruction reads it,
 *                                              +1 when the one after it does (the result
 *                                              is sign/zero-extended a stage later)
 *   LDM, STM of N registers                    N; LDM loading the PC +4; a use of the
 *                                              last loaded register next: +1
 *   SWP, SWPB                                  2
 *   MUL                                        1 + m    m: multiplier cycles, 8 bits of
 *   MLA, UMULL, SMULL                          2 + m    the operand Rs each, stopping
 *   UMLAL, SMLAL                               3 + m    once the remaining bits are all
 *                                                       zeros (or all ones when signed):
 *                                                       m = 1..4
 *   SWI                                        3; the kernel's work is not modelled
 *   Thumb instructions                         1 each (none in the demo's own code)
 *
 * What the plugin interface of this qemu (7.2) shows: the executed blocks, their
 * instructions' bytes and the address of every memory access, but no register values.
 * So a conditional branch (or PC write) that ends a block is resolved by the next
 * block's address (the fall-through address: not taken); a conditional load or store
 * by whether its access happened; a conditional data-processing instruction that fails
 * is priced as if it ran (one cycle more only with a register shift or multiply). A
 * multiply's operand Rs is known when a MOV/MVN of an immediate in the same block sets
 * it; otherwise m = 4, the longest, and the multiply is counted (kMulUnknown) so that
 * the overestimate (at most 3 cycles each) is visible. Interlocks across a block's end
 * (blocks end in a branch nearly always) are not modelled.
 *
 * Caches (ARM920T): instruction and data cache of 16 KB each, 8 sets of 64 ways of
 * 32-byte lines (address bits 7:5 choose the set), round-robin replacement with one
 * victim counter per set. A block looks up every instruction line it spans, in order,
 * once per execution. The data cache is write-back and allocates on read misses only:
 * a load miss fills the line (a dirty victim is written back through the write
 * buffer, 8 words); a store hit dirties the line; a store miss goes to the write
 * buffer. Addresses are the guest's virtual addresses (the handheld maps its memory
 * flat).
 *
 * Write buffer: 16 words in at most 4 entries; the words one STM stores to consecutive
 * addresses share an entry. Entries drain one after the other, DRAIN cycles a word,
 * while the core runs on; a store stalls only while the buffer is full. The buffer and
 * the line fills share the memory bus: a fill waits for the entry being drained, and
 * the next entry waits for the fill. A fill costs FILL cycles of stall.
 *
 * Time: each memory access happens at the block's start plus the cycles of the block's
 * instructions before it plus the stalls so far; the block's own cycles are added when
 * the next block starts (the branch that ended it is resolved then).
 */

enum { kSets = 8, kWays = 64, kLineShift = 5, kWbWords = 16, kWbEntries = 4 };

struct cache {
  uint32_t tag[kSets][kWays]; /* line address + 1; 0: empty */
  bool dirty[kSets][kWays];
  uint8_t victim[kSets];
  uint8_t last_way[kSets];
};
static struct cache icache, dcache;

/* Returns true on a hit; on a miss (with allocate) the line takes the victim's way,
 * and *evicted_dirty tells whether that way held a dirty line. */
static bool cache_access(struct cache *c, uint32_t line, bool allocate, bool make_dirty,
                         bool *evicted_dirty) {
  const int set = line & (kSets - 1);
  const uint32_t tag = line + 1;
  *evicted_dirty = false;
  int w = c->last_way[set];
  if (c->tag[set][w] != tag) {
    w = -1;
    for (int i = 0; i < kWays; ++i) {
      if (c->tag[set][i] == tag) {
        w = i;
        break;
      }
    }
  }
  if (w >= 0) {
    c->last_way[set] = (uint8_t)w;
    if (make_dirty) c->dirty[set][w] = true;
    return true;
  }
  if (allocate) {
    const int v = c->victim[set];
    c->victim[set] = (uint8_t)((v + 1) % kWays);
    *evicted_dirty = c->tag[set][v] != 0 && c->dirty[set][v];
    c->tag[set][v] = tag;
    c->dirty[set][v] = false;
    c->last_way[set] = (uint8_t)v;
  }
  return false;
}

struct timing {
  uint64_t fill, drain;
  uint64_t now;       /* the core's cycle count at the current block's start, plus stalls */
  uint64_t bus_free;  /* end of the last drain or fill scheduled on the bus */
  int head, count, words;
  uint32_t ent_words[kWbEntries];
  uint64_t ent_enq[kWbEntries];
  uint64_t ent_done[kWbEntries]; /* 0: not yet started */
};
static struct timing timing[2];

/* The head entry's end, scheduling its drain if it has not started. */
static uint64_t wb_head_done(struct timing *tm) {
  const int h = tm->head;
  if (tm->ent_done[h] == 0) {
    const uint64_t start = tm->bus_free > tm->ent_enq[h] ? tm->bus_free : tm->ent_enq[h];
    tm->ent_done[h] = start + tm->ent_words[h] * tm->drain;
    tm->bus_free = tm->ent_done[h];
  }
  return tm->ent_done[h];
}

/* Retires the entries drained by time t. */
static void wb_retire(struct timing *tm, uint64_t t) {
  while (tm->count > 0) {
    if (tm->ent_enq[tm->head] > t || wb_head_done(tm) > t) break;
    tm->words -= (int)tm->ent_words[tm->head];
    tm->head = (tm->head + 1) % kWbEntries;
    tm->count -= 1;
  }
}

/* A line fill at time t: returns the stall. */
static uint64_t line_fill(struct timing *tm, uint64_t t) {
  /* Retiring schedules the entry being drained at t (bus_free is its end); the fill
   * waits for it, and entries not started wait for the fill. */
  wb_retire(tm, t);
  const uint64_t start = t > tm->bus_free ? t : tm->bus_free;
  const uint64_t end = start + tm->fill;
  if (end > tm->bus_free) tm->bus_free = end;
  return end - t;
}

/* Buffers n words written at time t (into the tail entry when `merge`); returns the
 * stall while the buffer is full. */
static uint64_t wb_write(struct timing *tm, uint64_t t, uint32_t n, bool merge) {
  const uint64_t t0 = t;
  wb_retire(tm, t);
  if (merge && tm->count > 0) {
    const int tail = (tm->head + tm->count - 1) % kWbEntries;
    if (tm->ent_done[tail] == 0 && tm->words + (int)n <= kWbWords) {
      tm->ent_words[tail] += n;
      tm->words += (int)n;
      return 0;
    }
  }
  while (tm->count == kWbEntries || tm->words + (int)n > kWbWords) {
    t = wb_head_done(tm);
    wb_retire(tm, t);
  }
  const int e = (tm->head + tm->count) % kWbEntries;
  tm->ent_words[e] = n;
  tm->ent_enq[e] = t;
  tm->ent_done[e] = 0;
  tm->count += 1;
  tm->words += (int)n;
  return t - t0;
}

/* Classes of executed instructions outside ARMv4T. */
enum {
  kXNone, kXClz, kXBlx, kXDual, kXMulV5E, kXSat, kXBkpt, kXUncond, kXV6, kXCopro2, kXThumb,
  kXClasses
};
static const char *const x_names[kXClasses] = {
    "-", "clz", "blx", "ldrd/strd", "v5E-multiply", "qadd/qsub", "bkpt",
    "unconditional-space(pld,blx-imm,...)", "v6", "mcrr/mrrc", "thumb"};
static uint64_t x_count[kMaxRegions][kXClasses];

/* One instruction as the model sees it. */
struct insn_desc {
  uint32_t offset;       /* cycles of the block's instructions before it */
  uint8_t dyn_interlock; /* a conditional load's interlock: added when it loads */
  uint8_t is_store_multiple;
  struct block *block;
};

enum { kFlowNone, kFlowAlways, kFlowCond };
struct block {
  const struct mark *mark;
  int region;
  uint64_t n;
  uint32_t cost;        /* cycles, a conditional ending branch counted as not taken */
  uint32_t taken_extra; /* cycles more when that branch is taken */
  uint32_t n_mul_unknown;
  int flow;
  uint64_t vaddr, fall;
  uint32_t first_line, n_lines;
};

static struct block *prev_block;
static const struct insn_desc *last_store_insn;
static uint64_t last_store_addr, access_seq, last_store_seq;

/* The registers an instruction reads (a bit mask), and what it is. */
struct decoded {
  uint32_t cost;
  uint16_t reads;
  int load_dest;     /* register a load writes last, -1: none */
  int load_latency;  /* 1 word, 2 byte/halfword */
  int is_load, is_store, is_store_multiple;
  int flow;          /* writes the PC (a branch): its cost taken, and not taken = 1 */
  int x;             /* class outside ARMv4T */
  int mul_rs;        /* the multiply's Rs, -1: no multiply */
  int mul_base;      /* the multiply's cycles besides m */
  int mul_signed;
  int writes;        /* register written by a MOV/MVN of an immediate (-1: none) */
  uint32_t imm;      /* its value */
};

static uint32_t rotated_imm(uint32_t insn) {
  const uint32_t v = insn & 0xFF, rot = ((insn >> 8) & 15) * 2;
  return rot == 0 ? v : (v >> rot) | (v << (32 - rot));
}

static void decode_arm(uint32_t insn, struct decoded *d) {
  memset(d, 0, sizeof *d);
  d->cost = 1;
  d->load_dest = -1;
  d->mul_rs = -1;
  d->writes = -1;
  d->x = kXNone;
  const uint32_t cond = insn >> 28;
  const int rn = (insn >> 16) & 15, rd = (insn >> 12) & 15, rs = (insn >> 8) & 15,
            rm = insn & 15;
  if (cond == 0xF) {
    d->x = kXUncond;
    if ((insn & 0x0E000000) == 0x0A000000) d->flow = 1, d->cost = 3; /* BLX immediate */
    return;
  }
  switch ((insn >> 25) & 7) {
    case 0:
      if ((insn & 0x0FFFFFD0) == 0x012FFF10) { /* BX, BLX register */
        d->reads = (uint16_t)(1u << rm);
        d->flow = 1;
        d->cost = 3;
        if (insn & 0x20) d->x = kXBlx;
        return;
      }
      if ((insn & 0x0FFF0FF0) == 0x016F0F10) { d->x = kXClz; d->reads = (uint16_t)(1u << rm); return; }
      if ((insn & 0x0FF000F0) == 0x01200070) { d->x = kXBkpt; return; }
      if ((insn & 0x0F900FF0) == 0x01000050) { d->x = kXSat; d->reads = (uint16_t)((1u << rm) | (1u << rn)); return; }
      if ((insn & 0x0F900090) == 0x01000080) { d->x = kXMulV5E; d->reads = (uint16_t)((1u << rm) | (1u << rs)); return; }
      if ((insn & 0x0FC000F0) == 0x00000090) { /* MUL, MLA: Rd is 19:16, Rn 15:12 */
        d->reads = (uint16_t)((1u << rm) | (1u << rs) | ((insn & (1u << 21)) ? 1u << rd : 0));
        d->mul_rs = rs;
        d->mul_base = (insn & (1u << 21)) ? 2 : 1;
        d->mul_signed = 1;
        return;
      }
      if ((insn & 0x0F8000F0) == 0x00800090) { /* UMULL, UMLAL, SMULL, SMLAL */
        d->reads = (uint16_t)((1u << rm) | (1u << rs) | ((insn & (1u << 21)) ? (1u << rd) | (1u << rn) : 0));
        d->mul_rs = rs;
        d->mul_base = (insn & (1u << 21)) ? 3 : 2;
        d->mul_signed = (insn >> 22) & 1;
        return;
      }
      if ((insn & 0x0FF000F0) == 0x00400090) { d->x = kXV6; return; } /* UMAAL */
      if ((insn & 0x0FB00FF0) == 0x01000090) { /* SWP, SWPB */
        d->reads = (uint16_t)((1u << rn) | (1u << rm));
        d->cost = 2;
        d->is_load = d->is_store = 1;
        d->load_dest = rd;
        d->load_latency = (insn & (1u << 22)) ? 2 : 1;
        return;
      }
      if ((insn & 0x0F8000F0) == 0x01800090) { d->x = kXV6; return; } /* LDREX, STREX */
      if ((insn & 0x90) == 0x90 && (insn & 0x60) != 0) { /* halfword, signed byte, dual */
        const int load = (insn >> 20) & 1, sh = (insn >> 5) & 3;
        d->reads = (uint16_t)(1u << rn);
        if (!(insn & (1u << 22))) d->reads |= (uint16_t)(1u << rm);
        if (!load && sh != 1) {
          d->x = kXDual;
          d->is_load = sh == 2;
          d->is_store = sh == 3;
          d->cost = 2;
          if (d->is_store) d->reads |= (uint16_t)(3u << rd);
          else d->load_dest = rd + 1, d->load_latency = 1;
          return;
        }
        if (load) {
          d->is_load = 1;
          d->load_dest = rd;
          d->load_latency = 2;
          if (rd == 15) d->flow = 1, d->cost = 5;
        } else {
          d->is_store = 1;
          d->reads |= (uint16_t)(1u << rd);
        }
        return;
      }
      if ((insn & 0x0FBF0FFF) == 0x010F0000 || (insn & 0x0FB0FFF0) == 0x0120F000) {
        d->reads = (uint16_t)(1u << rm); /* MRS, MSR register */
        return;
      }
      /* data processing, register operand */
      {
        const int op = (insn >> 21) & 15;
        if (op != 13 && op != 15) d->reads |= (uint16_t)(1u << rn);
        d->reads |= (uint16_t)(1u << rm);
        if (insn & 0x10) {
          d->reads |= (uint16_t)(1u << rs);
          d->cost += 1;
        }
        if (rd == 15 && (op < 8 || op > 11)) d->flow = 1, d->cost += 2;
      }
      return;
    case 1: {
      if ((insn & 0x0FB00000) == 0x03000000) { d->x = kXV6; return; }     /* MOVW, MOVT */
      if ((insn & 0x0FFFFF00) == 0x0320F000) { d->x = kXV6; return; }     /* hints */
      if ((insn & 0x0FB00000) == 0x03200000) return;                      /* MSR immediate */
      const int op = (insn >> 21) & 15;
      if (op != 13 && op != 15) d->reads |= (uint16_t)(1u << rn);
      if (rd == 15 && (op < 8 || op > 11)) d->flow = 1, d->cost += 2;
      if (op == 13 || op == 15) {
        d->writes = rd;
        d->imm = op == 13 ? rotated_imm(insn) : ~rotated_imm(insn);
      }
      return;
    }
    case 3:
      if (insn & 0x10) { d->x = kXV6; return; } /* media instructions */
      /* fall through */
    case 2: {
      const int load = (insn >> 20) & 1;
      d->reads = (uint16_t)(1u << rn);
      if (insn & (1u << 25)) d->reads |= (uint16_t)(1u << rm);
      if (load) {
        d->is_load = 1;
        d->load_dest = rd;
        d->load_latency = (insn & (1u << 22)) ? 2 : 1;
        if (rd == 15) d->flow = 1, d->cost = 5;
      } else {
        d->is_store = 1;
        d->reads |= (uint16_t)(1u << rd);
      }
      return;
    }
    case 4: {
      const uint32_t list = insn & 0xFFFF;
      const int n = __builtin_popcount(list);
      d->reads = (uint16_t)(1u << rn);
      d->cost = n > 0 ? (uint32_t)n : 1;
      if (insn & (1u << 20)) {
        d->is_load = 1;
        if (list != 0) d->load_dest = 31 - __builtin_clz(list), d->load_latency = 1;
        if (list & 0x8000) d->flow = 1, d->cost += 4;
      } else {
        d->is_store = 1;
        d->is_store_multiple = 1;
        d->reads |= (uint16_t)list;
      }
      return;
    }
    case 5:
      d->flow = 1;
      d->cost = 3;
      return;
    case 6:
      if ((insn & 0x0FE00000) == 0x0C400000) d->x = kXCopro2;
      d->reads = (uint16_t)(1u << rn);
      d->is_load = (insn >> 20) & 1;
      d->is_store = !d->is_load;
      return;
    case 7:
      if (insn & (1u << 24)) d->cost = 3; /* SWI */
      return;
  }
}

/* Multiplier cycles for the operand value v. */
static uint32_t mul_cycles(uint32_t v, int is_signed) {
  int m = 4;
  for (int k = 1; k <= 3; ++k) {
    const uint32_t hi = v >> (8 * k);
    if (hi == 0 || (is_signed && hi == (0xFFFFFFFFu >> (8 * k)))) {
      m = k;
      break;
    }
  }
  return (uint32_t)m;
}

static struct block *current_block;

static void add_cycles(int region, uint64_t opt, uint64_t pes) {
  total[kCycOpt][region] += opt;
  total[kCycPes][region] += pes;
}

static void on_mem(unsigned int vcpu, qemu_plugin_meminfo_t info, uint64_t vaddr,
                   void *udata) {
  (void)vcpu;
  const struct insn_desc *d = udata;
  const struct block *b = d->block;
  const bool store = qemu_plugin_mem_is_store(info);
  const uint32_t line = (uint32_t)(vaddr >> kLineShift);
  access_seq += 1;
  total[kDAcc][b->region] += 1;
  uint64_t stall[2] = {d->dyn_interlock, d->dyn_interlock};
  bool castout;
  const bool hit = cache_access(&dcache, line, !store, store, &castout);
  if (!hit) total[kDMiss][b->region] += 1;
  for (int s = 0; s < 2; ++s) {
    struct timing *tm = &timing[s];
    const uint64_t t = tm->now + d->offset;
    if (s == 0 && !hit) {
      if (store) total[kWbOut][b->region] += 1;
      else total[kDFills][b->region] += 1, total[kWbOut][b->region] += castout ? 8 : 0;
    }
    if (store && !hit) {
      const bool merge = d->is_store_multiple && last_store_insn == d &&
                         last_store_seq + 1 == access_seq && vaddr == last_store_addr + 4;
      stall[s] += wb_write(tm, t, 1, merge);
    } else if (!store && !hit) {
      if (castout) stall[s] += wb_write(tm, t, 8, false);
      stall[s] += line_fill(tm, t + stall[s]);
    }
    tm->now += stall[s];
  }
  if (store && !hit) {
    last_store_insn = d;
    last_store_seq = access_seq;
    last_store_addr = vaddr;
  }
  add_cycles(b->region, stall[0], stall[1]);
}

/* Ends the previous block (its cycles, with its last branch resolved by where the run
 * went next: `next`) and looks up the lines of block b in the instruction cache. */
static void close_block(uint64_t next) {
  struct block *p = prev_block;
  if (p == NULL) return;
  uint64_t c = p->cost;
  if (p->flow == kFlowCond && next != p->fall) c += p->taken_extra;
  timing[0].now += c;
  timing[1].now += c;
  add_cycles(p->region, c, c);
  total[kMulUnknown][p->region] += p->n_mul_unknown;
  prev_block = NULL;
}

static void fetch_block(struct block *b) {
  uint64_t stall[2] = {0, 0};
  for (uint32_t i = 0; i < b->n_lines; ++i) {
    bool unused;
    total[kILines][b->region] += 1;
    if (!cache_access(&icache, b->first_line + i, true, false, &unused)) {
      total[kIMiss][b->region] += 1;
      for (int s = 0; s < 2; ++s) {
        const uint64_t st = line_fill(&timing[s], timing[s].now + stall[s]);
        stall[s] += st;
      }
    }
  }
  timing[0].now += stall[0];
  timing[1].now += stall[1];
  add_cycles(b->region, stall[0], stall[1]);
}

static void mark_action(const struct mark *m) {
  if (m->if_top >= 0 && stack[depth - 1] != m->if_top) return;
  settle();
  switch (m->action) {
    case kFrame:
      write_frame();
      frame += 1;
      depth = 1;
      stack[0] = m->phase;
      break;
    case kSet: stack[depth - 1] = m->phase; break;
    case kPush:
      if (depth == kMaxStack) {
        fprintf(stderr, "icount: phase stack overflow\n");
        exit(2);
      }
      stack[depth++] = m->phase;
      break;
    case kPop:
      if (depth > 1) depth -= 1;
      break;
  }
}

static void on_block(unsigned int vcpu, void *udata) {
  (void)vcpu;
  struct block *b = udata;
  close_block(b->vaddr);
  if (b->mark != NULL) mark_action(b->mark);
  total[kInsns][b->region] += b->n;
  fetch_block(b);
  prev_block = b;
  current_block = b;
}

static void on_translate(qemu_plugin_id_t id, struct qemu_plugin_tb *tb) {
  (void)id;
  const size_t n = qemu_plugin_tb_n_insns(tb);
  if (n == 0) return;
  struct qemu_plugin_insn *first = qemu_plugin_tb_get_insn(tb, 0);
  const uint64_t vaddr = qemu_plugin_tb_vaddr(tb);
  pthread_mutex_lock(&lock);
  int rule;
  uint64_t link;
  const int region = classify((uintptr_t)qemu_plugin_insn_haddr(first), vaddr, &rule, &link);
  const struct mark *mark = NULL;
  if (rule >= 0 && rule == exe_rule) {
    for (int i = 0; i < n_marks; ++i) {
      if (marks[i].link == link) mark = &marks[i];
    }
  }
  pthread_mutex_unlock(&lock);
  /* Kept for the whole run: a block may be translated again after a flush. */
  struct block *b = calloc(1, sizeof *b);
  struct insn_desc *descs = calloc(n, sizeof *descs);
  struct decoded *dec = calloc(n, sizeof *dec);
  if (b == NULL || descs == NULL || dec == NULL) exit(2);
  b->mark = mark;
  b->region = region;
  b->n = n;
  b->vaddr = vaddr;
  bool thumb = false;
  for (size_t i = 0; i < n; ++i) {
    if (qemu_plugin_insn_size(qemu_plugin_tb_get_insn(tb, i)) != 4) thumb = true;
  }
  uint32_t conds[n];
  /* Immediates known in the block: bit r of `known` with the value in imm[r]. */
  uint32_t known = 0, imm[16] = {0};
  for (size_t i = 0; i < n; ++i) {
    struct qemu_plugin_insn *qi = qemu_plugin_tb_get_insn(tb, i);
    if (thumb) {
      memset(&dec[i], 0, sizeof dec[i]);
      dec[i].cost = 1;
      dec[i].load_dest = -1;
      dec[i].mul_rs = -1;
      dec[i].writes = -1;
      dec[i].x = kXThumb;
      conds[i] = 14;
      continue;
    }
    uint32_t word;
    memcpy(&word, qemu_plugin_insn_data(qi), 4);
    decode_arm(word, &dec[i]);
    conds[i] = word >> 28;
    if (dec[i].mul_rs >= 0) {
      if (known & (1u << dec[i].mul_rs)) {
        dec[i].cost = (uint32_t)dec[i].mul_base + mul_cycles(imm[dec[i].mul_rs], dec[i].mul_signed);
      } else {
        dec[i].cost = (uint32_t)dec[i].mul_base + 4;
        b->n_mul_unknown += 1;
      }
    }
    /* What this instruction writes is no longer a known immediate, unless it sets one. */
    if (dec[i].writes >= 0 && conds[i] == 14) {
      known |= 1u << dec[i].writes;
      imm[dec[i].writes] = dec[i].imm;
    } else {
      /* The destination fields of the classes that write registers. */
      const uint32_t w = word;
      if (((w >> 25) & 7) == 4 && (w & (1u << 20))) known &= ~(w & 0xFFFF);
      known &= ~((1u << ((w >> 12) & 15)) | (1u << ((w >> 16) & 15)));
    }
  }
  /* Interlocks: a load's result read by the next instruction (or, for byte and
   * halfword loads, the one after it). */
  uint32_t offset = 0;
  for (size_t i = 0; i < n; ++i) {
    struct decoded *d = &dec[i];
    uint32_t interlock = 0;
    if (d->load_dest >= 0 && !d->flow) {
      const uint16_t bit = (uint16_t)(1u << d->load_dest);
      if (i + 1 < n && (dec[i + 1].reads & bit)) interlock = (uint32_t)d->load_latency;
      else if (d->load_latency == 2 && i + 2 < n && (dec[i + 2].reads & bit)) interlock = 1;
    }
    descs[i].block = b;
    descs[i].offset = offset;
    descs[i].is_store_multiple = (uint8_t)d->is_store_multiple;
    uint32_t c = d->cost;
    if (conds[i] != 14 && i + 1 == n && d->flow) {
      /* The block's conditional last instruction: not taken now, taken resolved later. */
      b->flow = kFlowCond;
      b->taken_extra = c - 1;
      c = 1;
    } else if (i + 1 == n && d->flow) {
      b->flow = kFlowAlways;
    }
    if (conds[i] != 14 && d->is_load) {
      descs[i].dyn_interlock = (uint8_t)interlock; /* only when it loads */
    } else {
      c += interlock;
    }
    offset += c;
    if (d->x != kXNone) {
      qemu_plugin_register_vcpu_insn_exec_inline(qemu_plugin_tb_get_insn(tb, i),
                                                 QEMU_PLUGIN_INLINE_ADD_U64,
                                                 &x_count[region][d->x], 1);
    }
    if (thumb || d->is_load || d->is_store) {
      qemu_plugin_register_vcpu_mem_cb(qemu_plugin_tb_get_insn(tb, i), on_mem,
                                       QEMU_PLUGIN_CB_NO_REGS, QEMU_PLUGIN_MEM_RW, &descs[i]);
    }
  }
  b->cost = offset;
  struct qemu_plugin_insn *last = qemu_plugin_tb_get_insn(tb, n - 1);
  b->fall = qemu_plugin_insn_vaddr(last) + qemu_plugin_insn_size(last);
  b->first_line = (uint32_t)(vaddr >> kLineShift);
  b->n_lines = (uint32_t)(((b->fall - 1) >> kLineShift) - (vaddr >> kLineShift) + 1);
  free(dec);
  qemu_plugin_register_vcpu_tb_exec_cb(tb, on_block, QEMU_PLUGIN_CB_NO_REGS, b);
}

/* mmap2, mremap, mprotect and munmap of the ARM Linux system call table (EABI): the
 * host's mappings are read again before the next block is classed. */
static void on_syscall_ret(qemu_plugin_id_t id, unsigned int vcpu, int64_t num, int64_t ret) {
  (void)id;
  (void)vcpu;
  (void)ret;
  if (num == 192 || num == 163 || num == 125 || num == 91) {
    __atomic_store_n(&maps_stale, 1, __ATOMIC_RELEASE);
  }
}

static void on_vcpu_init(qemu_plugin_id_t id, unsigned int vcpu) {
  (void)id;
  (void)vcpu;
  __atomic_add_fetch(&vcpus, 1, __ATOMIC_RELAXED);
}

static void on_run_end(qemu_plugin_id_t id, void *udata) {
  (void)id;
  (void)udata;
  close_block(UINT64_MAX);
  settle();
  write_frame();
  for (int p = 0; p < n_phases; ++p) {
    fprintf(out, "T %s %" PRIu64 "\n", phase_names[p], phase_sum(run_acc[kInsns], p));
    for (int r = 0; r < n_regions; ++r) {
      if (run_acc[kInsns][p][r] != 0) {
        fprintf(out, "TR %s %s %" PRIu64 "\n", phase_names[p], region_names[r],
                run_acc[kInsns][p][r]);
      }
      if (run_acc[kCycOpt][p][r] != 0) {
        fprintf(out, "TC %s %s %" PRIu64 " %" PRIu64 "\n", phase_names[p], region_names[r],
                run_acc[kCycOpt][p][r], run_acc[kCycPes][p][r]);
      }
    }
  }
  for (int r = 0; r < n_regions; ++r) {
    for (int x = 1; x < kXClasses; ++x) {
      if (x_count[r][x] != 0) {
        fprintf(out, "X %s %s %" PRIu64 "\n", region_names[r], x_names[x], x_count[r][x]);
      }
    }
  }
  fprintf(out, "V %d\n", vcpus);
  fclose(out);
}

/* ---- Argument files ---------------------------------------------------------------- */

static FILE *open_or_die(const char *path, const char *mode) {
  FILE *f = fopen(path, mode);
  if (f == NULL) {
    fprintf(stderr, "icount: cannot open %s\n", path);
    exit(2);
  }
  return f;
}

static int rule_named(const char *prefix) {
  for (int i = 0; i < n_rules; ++i) {
    if (strcmp(rules[i].prefix, prefix) == 0) return i;
  }
  return -1;
}

static void read_regions(const char *path) {
  FILE *f = open_or_die(path, "r");
  char line[1024], a[kMaxName], b[kMaxName], c[kMaxName];
  uint64_t x, y;
  while (fgets(line, sizeof line, f) != NULL) {
    if (sscanf(line, "file %95s %" SCNx64 " %95s", a, &x, b) == 3) {
      if (n_rules == (int)(sizeof rules / sizeof rules[0])) exit(2);
      snprintf(rules[n_rules].prefix, kMaxName, "%s", a);
      rules[n_rules].load_vaddr = x;
      rules[n_rules].default_region = region_id(b);
      n_rules += 1;
    } else if (sscanf(line, "range %95s %" SCNx64 " %" SCNx64 " %95s", a, &x, &y, c) == 4) {
      const int r = rule_named(a);
      if (r < 0) {
        fprintf(stderr, "icount: range for unnamed file %s\n", a);
        exit(2);
      }
      if (n_ranges == cap_ranges) {
        cap_ranges = cap_ranges ? 2 * cap_ranges : 1024;
        ranges = realloc(ranges, cap_ranges * sizeof *ranges);
        if (ranges == NULL) exit(2);
      }
      ranges[n_ranges++] = (struct range){r, x, y, region_id(c)};
    } else if (line[0] != '#' && line[0] != '\n') {
      fprintf(stderr, "icount: bad line in %s: %s", path, line);
      exit(2);
    }
  }
  fclose(f);
}

static void read_marks(const char *path) {
  FILE *f = open_or_die(path, "r");
  char line[1024], act[16], ph[kMaxName], top[kMaxName];
  uint64_t addr;
  while (fgets(line, sizeof line, f) != NULL) {
    if (sscanf(line, "exe %95s", ph) == 1) {
      exe_rule = rule_named(ph);
      if (exe_rule < 0) {
        fprintf(stderr, "icount: the regions file names no file %s\n", ph);
        exit(2);
      }
      continue;
    }
    if (line[0] == '#' || line[0] == '\n') continue;
    ph[0] = top[0] = '\0';
    const int k = sscanf(line, "%" SCNx64 " %15s %95s %95s", &addr, act, ph, top);
    if (k < 2 || n_marks == (int)(sizeof marks / sizeof marks[0])) {
      fprintf(stderr, "icount: bad line in %s: %s", path, line);
      exit(2);
    }
    struct mark *m = &marks[n_marks++];
    m->link = addr;
    m->phase = -1;
    m->if_top = -1;
    const char *cond = NULL;
    if (strcmp(act, "pop") == 0) {
      m->action = kPop;
      if (k >= 3) cond = ph;
    } else {
      if (strcmp(act, "frame") == 0) m->action = kFrame;
      else if (strcmp(act, "set") == 0) m->action = kSet;
      else if (strcmp(act, "push") == 0) m->action = kPush;
      else {
        fprintf(stderr, "icount: bad action %s\n", act);
        exit(2);
      }
      if (k < 3) {
        fprintf(stderr, "icount: mark without a phase: %s", line);
        exit(2);
      }
      m->phase = phase_id(ph);
      if (k >= 4) cond = top;
    }
    if (cond != NULL && cond[0] != '\0') m->if_top = phase_id(cond);
  }
  fclose(f);
  if (exe_rule < 0) {
    fprintf(stderr, "icount: %s names no program file (exe line)\n", path);
    exit(2);
  }
}

QEMU_PLUGIN_EXPORT int qemu_plugin_install(qemu_plugin_id_t id, const qemu_info_t *info,
                                           int argc, char **argv) {
  (void)info;
  const char *regions = NULL, *marks_path = NULL, *out_path = NULL;
  for (int i = 0; i < argc; ++i) {
    if (strncmp(argv[i], "regions=", 8) == 0) regions = argv[i] + 8;
    else if (strncmp(argv[i], "marks=", 6) == 0) marks_path = argv[i] + 6;
    else if (strncmp(argv[i], "out=", 4) == 0) out_path = argv[i] + 4;
    else if (strncmp(argv[i], "mem=", 4) == 0) {
      unsigned long f0, d0, f1, d1;
      if (sscanf(argv[i] + 4, "%lu/%lu:%lu/%lu", &f0, &d0, &f1, &d1) != 4) {
        fprintf(stderr, "icount: mem= wants FILL/DRAIN:FILL/DRAIN\n");
        return -1;
      }
      timing[0].fill = f0, timing[0].drain = d0, timing[1].fill = f1, timing[1].drain = d1;
    }
    else {
      fprintf(stderr, "icount: unknown argument %s\n", argv[i]);
      return -1;
    }
  }
  if (regions == NULL || marks_path == NULL || out_path == NULL) {
    fprintf(stderr, "icount: needs regions=, marks= and out=\n");
    return -1;
  }
  if (timing[0].fill == 0) {
    timing[0].fill = 12, timing[0].drain = 2, timing[1].fill = 40, timing[1].drain = 6;
  }
  other_region = region_id("other");
  read_regions(regions);
  read_marks(marks_path);
  stack[0] = phase_id("startup");
  depth = 1;
  out = open_or_die(out_path, "w");
  qemu_plugin_register_vcpu_init_cb(id, on_vcpu_init);
  qemu_plugin_register_vcpu_tb_trans_cb(id, on_translate);
  qemu_plugin_register_vcpu_syscall_ret_cb(id, on_syscall_ret);
  qemu_plugin_register_atexit_cb(id, on_run_end, NULL);
  return 0;
}
