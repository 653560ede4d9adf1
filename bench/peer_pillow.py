# Times one operation of Pillow on a raw picture of 8-bit red, green, blue bytes and prints the median of
# the repetitions in seconds of this thread's processor time (as the benchmark programs time their own).
#   peer_pillow.py box PICTURE W H REPS DW DH     resize(BOX) to DW x DH
#   peer_pillow.py tga-save PICTURE W H REPS      run-length encoded TGA into memory
#   peer_pillow.py tga-load PICTURE W H REPS      the same TGA opened and decoded from memory
import io
import statistics
import sys
import time

from PIL import Image

op, path, w, h, reps = sys.argv[1], sys.argv[2], int(sys.argv[3]), int(sys.argv[4]), int(sys.argv[5])
with open(path, "rb") as f:
    picture = Image.frombytes("RGB", (w, h), f.read())
if op == "box":
    size = (int(sys.argv[6]), int(sys.argv[7]))
    run = lambda: picture.resize(size, Image.BOX)
elif op == "tga-save":
    run = lambda: picture.save(io.BytesIO(), format="TGA", compression="tga_rle")
elif op == "tga-load":
    stream = io.BytesIO()
    picture.save(stream, format="TGA", compression="tga_rle")
    data = stream.getvalue()
    run = lambda: Image.open(io.BytesIO(data)).load()
else:
    sys.exit("unknown operation " + op)
times = []
for _ in range(reps):
    t = time.thread_time()
    run()
    times.append(time.thread_time() - t)
print(statistics.median(times))
