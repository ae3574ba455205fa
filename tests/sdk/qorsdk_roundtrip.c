/* A C program that knows only qorsdk.h: reads a board's status block, writes a new video bit
 * rate and reads it back. Exit 0 when the board took the new rate. */

#include <stdio.h>
#include <string.h>
#include <time.h>

#include "qorsdk.h"

static uint32_t u32At(const uint8_t* b, size_t off) {
  return (uint32_t)b[off] | (uint32_t)b[off + 1] << 8 | (uint32_t)b[off + 2] << 16 |
         (uint32_t)b[off + 3] << 24;
}
static uint16_t u16At(const uint8_t* b, size_t off) {
  return (uint16_t)(b[off] | b[off + 1] << 8);
}

static int readStatus(const char* board, uint8_t* block) {
  memset(block, 0, QORSDK_STATUS_BLOCK_SIZE);
  block[0] = QORSDK_STATUS_BLOCK_SIZE;
  int32_t result = DEVICE_GetConfig(board, QORSDK_GET_STATUS_BLOCK, block);
  if (result != QORSDK_CONFIG_OK)
    fprintf(stderr, "status read: %d (%s)\n", (int)result, QORSDK_ConfigResultText(result));
  return result == QORSDK_CONFIG_OK;
}

int main(int argc, char** argv) {
  const char* board = argc > 1 ? argv[1] : "10.77.0.10";
  uint8_t status[QORSDK_STATUS_BLOCK_SIZE];
  if (!readStatus(board, status)) return 1;
  if (u32At(status, 0) != QORSDK_STATUS_BLOCK_SIZE) {
    fprintf(stderr, "status block size %u\n", (unsigned)u32At(status, 0));
    return 1;
  }

  const uint8_t* old = status + QORSDK_STATUS_VIDEO_ENCODING_OFFSET;
  QORSDK_VIDEO_ENCODING video;
  memset(&video, 0, sizeof video);
  video.size = sizeof video;
  video.kind = 2;
  video.constantBitRate = old[7];
  video.frameRate = old[9];
  video.bitRate = u16At(old, 10) == 2000 ? 3000 : 2000;
  video.iFrameInterval = u32At(old, 12);
  video.width = u32At(old, 16);
  video.height = u32At(old, 20);
  video.enable = 1;
  int32_t result = DEVICE_SetConfig(board, QORSDK_SET_VIDEO_ENCODING, &video);
  if (result != QORSDK_CONFIG_OK) {
    fprintf(stderr, "video write: %d (%s)\n", (int)result, QORSDK_ConfigResultText(result));
    return 1;
  }

  /* The board applies the write after the connection closed: allow it a moment. */
  for (int attempt = 0; attempt < 20; ++attempt) {
    if (!readStatus(board, status)) return 1;
    uint16_t now = u16At(status, QORSDK_STATUS_VIDEO_ENCODING_OFFSET + 10);
    if (now == video.bitRate) {
      printf("%s: bit rate %u -> %u kbit/s\n", board, (unsigned)u16At(old, 10), (unsigned)now);
      return 0;
    }
    struct timespec pause = {0, 50 * 1000 * 1000};
    nanosleep(&pause, NULL);
  }
  fprintf(stderr, "%s: bit rate not changed\n", board);
  return 1;
}
